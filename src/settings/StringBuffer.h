#pragma once

#include <string>

#include "settings/PlainTextFileConfigParser.h"

namespace settings_impl {

// Settings text held in memory.
class StringBuffer : public PlainTextFileConfigParser::IBuffer {
public:
    explicit StringBuffer(std::string text) : text_(std::move(text)) {}
    // The text; settings::Exception 314 when it is not plain.
    std::string read() override;

private:
    std::string text_;
};

}  // namespace settings_impl
