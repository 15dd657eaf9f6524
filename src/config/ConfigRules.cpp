#include "config/ConfigRules.h"

#include <array>
#include <memory>
#include <string>

#include "config/ConfigKeys.h"
#include "settings/Exception.h"

namespace {

const settings_api::Table& api = settings_api::api();

void check(int result, const std::string& what) {
    if (result != 0) {
        throw settings::Exception(result, "building the configuration rules failed at " + what);
    }
}

// Bit 0 of a fixed value's flags: the text must match exactly, case included.
constexpr int kExactCase = 1;

constexpr std::array<settings_api::FixedValue, 4> kSwitchValues = {{
    {"Enable", 1, kExactCase},
    {"Disable", 0, kExactCase},
    {"1", 1, kExactCase},
    {"0", 0, kExactCase},
}};

constexpr std::array<settings_api::FixedValue, 8> kSecurityLevels = {{
    {"1", 1, kExactCase},
    {"2", 2, kExactCase},
    {"3", 3, kExactCase},
    {"4", 4, kExactCase},
    {"L", 1, kExactCase},
    {"M", 2, kExactCase},
    {"H", 3, kExactCase},
    {"VH", 4, kExactCase},
}};

constexpr std::array<StringKey, 5> kPathKeys = {StringKey::INSTALLDIR, StringKey::INSTALLCFG,
                                                StringKey::INSTALLDIRPUBVRE, StringKey::USAGETRACKER_CFG,
                                                StringKey::DEPLOYMENT_RULE_SET};

struct ValidatorBuilderRelease {
    void operator()(settings_api::ValidatorBuilder* builder) const { api.destroyValidatorBuilder(builder); }
};
struct KeyMapperBuilderRelease {
    void operator()(settings_api::KeyMapperBuilder* builder) const { api.destroyKeyMapperBuilder(builder); }
};

// Every typed key maps from any spelling of its case onto itself.
void addKey(settings_api::KeyMapperBuilder* mapper, const char* key) {
    check(api.addKeyMapping(mapper, key, key, false), std::string("the key mapping of ") + key);
}

}  // namespace

ConfigRules::ConfigRules() {
    settings_api::ValidatorBuilder* rawValidator = nullptr;
    check(api.createValidatorBuilder(&rawValidator), "createValidatorBuilder");
    const std::unique_ptr<settings_api::ValidatorBuilder, ValidatorBuilderRelease> validator(rawValidator);
    settings_api::KeyMapperBuilder* rawMapper = nullptr;
    check(api.createKeyMapperBuilder(&rawMapper), "createKeyMapperBuilder");
    const std::unique_ptr<settings_api::KeyMapperBuilder, KeyMapperBuilderRelease> mapper(rawMapper);

    for (int index = 0; index < configkeys::kBoolKeyCount; ++index) {
        const char* key = configkeys::name(static_cast<BoolKey>(index));
        check(api.addFixedValues(validator.get(), key, kSwitchValues.data(), kSwitchValues.size()),
              std::string("the values of ") + key);
        addKey(mapper.get(), key);
    }
    for (int index = 0; index < configkeys::kIntKeyCount; ++index) {
        const char* key = configkeys::name(static_cast<IntKey>(index));
        check(api.addIntKey(validator.get(), key), std::string("the integer key ") + key);
        addKey(mapper.get(), key);
    }
    check(api.addFixedValues(validator.get(), configkeys::name(IntKey::WEB_VESK_SECURITY_LEVEL),
                             kSecurityLevels.data(), kSecurityLevels.size()),
          "the security levels");
    for (int index = 0; index < configkeys::kStringKeyCount; ++index) {
        const char* key = configkeys::name(static_cast<StringKey>(index));
        check(api.addStringKey(validator.get(), key), std::string("the text key ") + key);
        addKey(mapper.get(), key);
    }
    for (StringKey key : kPathKeys) {
        check(api.addPathKey(validator.get(), configkeys::name(key), false),
              std::string("the path key ") + configkeys::name(key));
    }
    check(api.setAllowUnknownKeys(validator.get(), false), "setAllowUnknownKeys");

    check(api.buildValidator(validator.get(), &validator_), "buildValidator");
    const int mapperResult = api.buildKeyMapper(mapper.get(), &keyMapper_);
    if (mapperResult != 0) {
        api.destroyValidator(validator_);
        check(mapperResult, "buildKeyMapper");
    }
}

ConfigRules::~ConfigRules() {
    api.destroyKeyMapper(keyMapper_);
    api.destroyValidator(validator_);
}
