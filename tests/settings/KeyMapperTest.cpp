#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "settings/KeyMapperBuilder.h"
#include "settings/SimpleKeyMapper.h"

namespace {

using settings_impl::KeyMapperBuilder;
using settings_impl::SimpleKeyMapper;

std::unique_ptr<KeyMapperBuilder::IKeyMapperFactory> rule(const char* from, const char* to,
                                                          bool caseSensitive) {
    return std::make_unique<KeyMapperBuilder::KeyMapperFactory<SimpleKeyMapper>>(from, to, caseSensitive);
}

TEST(SimpleKeyMapper, MatchesExactlyOrIgnoringCase) {
    EXPECT_EQ(SimpleKeyMapper("EULA", "EULA", false).map("eula"), std::pair(std::string("EULA"), true));
    EXPECT_EQ(SimpleKeyMapper("EULA", "EULA", true).map("eula"), std::pair(std::string("eula"), false));
    EXPECT_EQ(SimpleKeyMapper("EULA", "X", true).map("EULA"), std::pair(std::string("X"), true));
}

TEST(KeyMapperBuilder, TheLastRegistrationIsTriedFirst) {
    KeyMapperBuilder builder;
    builder.add(rule("a", "FIRST", false));
    builder.add(rule("A", "SECOND", false));
    builder.add(rule("B", "B2", true));
    const auto mapper = builder.build();
    EXPECT_EQ(mapper->map("a").first, "SECOND");
    EXPECT_EQ(mapper->map("B").first, "B2");
    EXPECT_EQ(mapper->map("b"), std::pair(std::string("b"), false));
}

}  // namespace
