// The message texts of every language carry exactly the %s places that their code
// fills in, and nothing else with a '%'.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

namespace {

const LANGID kLanguages[] = {7, 10, 12, 16, 29, 1028, 1033, 1041, 1042, 1046, 2052};

// The %s places of each message: the detail, and for 3079 also the line.
const std::map<UINT, int> kPlaces = {
    {3073, 0}, {3074, 0}, {3075, 1}, {3076, 1}, {3077, 0}, {3078, 1}, {3079, 2}, {3080, 0},
    {3081, 1}, {3082, 0}, {3083, 0}, {3084, 0}, {3086, 0}, {3087, 0}, {3088, 1}, {3089, 1},
};

// Entry `id` of this program's string table in `language`; throws when it is missing.
std::wstring entry(UINT id, LANGID language) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), language);
    if (info == nullptr) throw std::runtime_error("no string block for " + std::to_string(id));
    const auto* data = static_cast<const WCHAR*>(LockResource(LoadResource(module, info)));
    for (UINT index = 0; index < id % 16; ++index) data += 1 + *data;
    if (*data == 0) throw std::runtime_error("string " + std::to_string(id) + " is missing");
    return std::wstring(data + 1, *data);
}

TEST(MessageFormats, EveryLanguageHasTheExpectedPlaces) {
    for (LANGID language : kLanguages) {
        for (const auto& [id, places] : kPlaces) {
            SCOPED_TRACE(testing::Message() << "language " << language << ", string " << id);
            const std::wstring text = entry(id, language);
            int found = 0;
            for (std::size_t position = text.find(L'%'); position != std::wstring::npos;
                 position = text.find(L'%', position + 1)) {
                ASSERT_EQ(text.compare(position, 2, L"%s"), 0) << "a '%' that is not %s";
                ++found;
            }
            EXPECT_EQ(found, places);
        }
    }
}

}  // namespace
