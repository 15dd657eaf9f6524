#pragma once

#include <memory>
#include <string>
#include <vector>

#include "settings/KeyMapperList.h"

namespace settings_impl {

// Holds key-mapping registrations and makes the mapper list from them.
class KeyMapperBuilder {
public:
    // One registration; it creates its mapper when the list is built.
    class IKeyMapperFactory {
    public:
        virtual ~IKeyMapperFactory() = default;
        virtual std::unique_ptr<IKeyMapper> create() const = 0;
    };

    template <class Mapper>
    class KeyMapperFactory : public IKeyMapperFactory {
    public:
        KeyMapperFactory(std::string from, std::string to, bool caseSensitive)
            : from_(std::move(from)), to_(std::move(to)), caseSensitive_(caseSensitive) {}
        std::unique_ptr<IKeyMapper> create() const override {
            return std::make_unique<Mapper>(from_, to_, caseSensitive_);
        }

    private:
        std::string from_;
        std::string to_;
        bool caseSensitive_;
    };

    void add(std::unique_ptr<IKeyMapperFactory> factory) { factories_.push_back(std::move(factory)); }

    std::unique_ptr<KeyMapperList> build() const;

private:
    std::vector<std::unique_ptr<IKeyMapperFactory>> factories_;
};

}  // namespace settings_impl
