#include "settings/settings_api.h"

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "diag/CatchAndLog.h"
#include "settings/ConfigValidatorBuilder.h"
#include "settings/Context.h"
#include "settings/Exception.h"
#include "settings/KeyMapperBuilder.h"
#include "settings/ResultCodes.h"
#include "settings/SimpleKeyMapper.h"

// The opaque handles are the library's own objects.
namespace settings_api {
struct Context : settings_impl::Context {};
struct Validator : settings_impl::ConfigValidator {
    explicit Validator(settings_impl::ConfigValidator&& built) : ConfigValidator(std::move(built)) {}
};
struct ValidatorBuilder : settings_impl::ConfigValidatorBuilder {};
struct KeyMapper : settings_impl::KeyMapperList {
    explicit KeyMapper(settings_impl::KeyMapperList&& built) : KeyMapperList(std::move(built)) {}
};
struct KeyMapperBuilder : settings_impl::KeyMapperBuilder {};
}  // namespace settings_api

namespace settings_api {

namespace {

using settings_impl::TypeCode;

// Runs `body` and turns whatever it throws into a result code: a settings::Exception
// gives its own code, anything else is logged and gives 200.
template <class Body>
int guarded(const char* function, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
        return settings::kSuccess;
    } catch (const settings::Exception& error) {
        return error.code();
    } catch (const std::exception& error) {
        logException(VDS_LOCATION(function), error);
    } catch (...) {
        logUnknownException(VDS_LOCATION(function));
    }
    return settings::kInternalError;
}

// The same after checking that no argument is null.
template <class Body, class... Pointers>
int guarded(const char* function, Body&& body, const Pointers*... required) noexcept {
    if (((required == nullptr) || ...)) {
        return settings::kNullArgument;
    }
    return guarded(function, std::forward<Body>(body));
}

settings_impl::Context::LoadOptions options(const Validator* validator, const KeyMapper* keyMapper,
                                            bool stopOnError, bool allowKeyOnly) {
    return {validator, keyMapper, stopOnError, allowKeyOnly};
}

int createContext(Context** context) {
    return guarded(
        "settings_api::createContext", [&] { *context = new Context(); }, context);
}

int destroyContext(Context* context) {
    return guarded(
        "settings_api::destroyContext", [&] { delete context; }, context);
}

int getFilePath(Context* context, const char** path) {
    return guarded(
        "settings_api::getFilePath", [&] { *path = context->filePath().c_str(); }, context, path);
}

int loadFile(Context* context, const char* path, const Validator* validator, const KeyMapper* keyMapper,
             bool stopOnError, bool allowKeyOnly) {
    // An empty name is no file to read, like a missing one.
    if (path != nullptr && *path == '\0') {
        return settings::kNullArgument;
    }
    return guarded(
        "settings_api::loadFile",
        [&] { context->loadFile(path, options(validator, keyMapper, stopOnError, allowKeyOnly)); }, context,
        path);
}

int loadString(Context* context, const char* text, const Validator* validator, const KeyMapper* keyMapper,
               bool stopOnError, bool allowKeyOnly) {
    return guarded(
        "settings_api::loadString",
        [&] { context->loadString(text, options(validator, keyMapper, stopOnError, allowKeyOnly)); }, context,
        text);
}

int mergeContext(Context* context, const Context* other) {
    return guarded(
        "settings_api::mergeContext", [&] { context->config().merge(other->config()); }, context, other);
}

int getErrorLines(Context* context, const int** lines, std::size_t* count) {
    return guarded(
        "settings_api::getErrorLines",
        [&] {
            const std::vector<int>& errorLines = context->errorLines();
            *lines = errorLines.empty() ? nullptr : errorLines.data();
            *count = errorLines.size();
        },
        context, lines, count);
}

int saveFile(Context* context, const char* path) {
    return guarded(
        "settings_api::saveFile", [&] { context->saveFile(path); }, context, path);
}

int isEmpty(Context* context, bool* empty) {
    return guarded(
        "settings_api::isEmpty", [&] { *empty = context->config().empty(); }, context, empty);
}

int isEqual(Context* context, const Context* other, bool* equal) {
    return guarded(
        "settings_api::isEqual", [&] { *equal = context->config() == other->config(); }, context, other,
        equal);
}

int forEachEntry(Context* context, EntryFunction function, void* userData) {
    if (function == nullptr) {
        return settings::kNullArgument;
    }
    return guarded(
        "settings_api::forEachEntry",
        [&] {
            const std::vector<std::string> keys = context->config().keys();
            for (std::size_t index = 0; index < keys.size(); ++index) {
                function(context, keys.size(), index, keys[index].c_str(), userData);
            }
        },
        context);
}

int getString(Context* context, const char* key, const char** text) {
    return guarded(
        "settings_api::getString", [&] { *text = context->config().text(key).c_str(); }, context, key, text);
}

int getBool(Context* context, const char* key, bool* value) {
    return guarded(
        "settings_api::getBool",
        [&] {
            const settings_impl::Config& config = context->config();
            *value = !config.hasValue(key) || config.getBool(key);
        },
        context, key, value);
}

int getInt(Context* context, const char* key, int* value) {
    return guarded(
        "settings_api::getInt", [&] { *value = context->config().getInt(key); }, context, key, value);
}

int getDouble(Context* context, const char* key, double* value) {
    return guarded(
        "settings_api::getDouble", [&] { *value = context->config().getDouble(key); }, context, key, value);
}

int removeKey(Context* context, const char* key) {
    return guarded(
        "settings_api::removeKey", [&] { context->config().remove(key); }, context, key);
}

int destroyValidator(Validator* validator) {
    return guarded(
        "settings_api::destroyValidator", [&] { delete validator; }, validator);
}

int createValidatorBuilder(ValidatorBuilder** builder) {
    return guarded(
        "settings_api::createValidatorBuilder", [&] { *builder = new ValidatorBuilder(); }, builder);
}

int destroyValidatorBuilder(ValidatorBuilder* builder) {
    return guarded(
        "settings_api::destroyValidatorBuilder", [&] { delete builder; }, builder);
}

int buildValidator(ValidatorBuilder* builder, Validator** validator) {
    return guarded(
        "settings_api::buildValidator",
        [&] {
            std::unique_ptr<settings_impl::ConfigValidator> built = builder->build();
            *validator = new Validator(std::move(*built));
        },
        builder, validator);
}

int addTypedKey(const char* function, ValidatorBuilder* builder, const char* key, TypeCode type) {
    return guarded(
        function, [&] { builder->addType(key, type); }, builder, key);
}

int addStringKey(ValidatorBuilder* builder, const char* key) {
    return addTypedKey("settings_api::addStringKey", builder, key, TypeCode::String);
}

int addIntKey(ValidatorBuilder* builder, const char* key) {
    return addTypedKey("settings_api::addIntKey", builder, key, TypeCode::Integer);
}

int addBoolKey(ValidatorBuilder* builder, const char* key) {
    return addTypedKey("settings_api::addBoolKey", builder, key, TypeCode::Boolean);
}

int addDoubleKey(ValidatorBuilder* builder, const char* key) {
    return addTypedKey("settings_api::addDoubleKey", builder, key, TypeCode::Double);
}

int setAllowUnknownKeys(ValidatorBuilder* builder, bool allow) {
    return guarded(
        "settings_api::setAllowUnknownKeys", [&] { builder->setAllowUnknownKeys(allow); }, builder);
}

int addFixedValues(ValidatorBuilder* builder, const char* key, const FixedValue* entries, std::size_t count) {
    if (count != 0 && entries == nullptr) {
        return settings::kNullArgument;
    }
    return guarded(
        "settings_api::addFixedValues",
        [&] {
            std::vector<settings_impl::FixedValueValidator::Entry> values;
            for (std::size_t index = 0; index < count; ++index) {
                if (entries[index].text == nullptr) {
                    throw settings::Exception(settings::kNullArgument, "a fixed value without text");
                }
                values.push_back({entries[index].text, entries[index].value, entries[index].flags});
            }
            builder->addFixedValues(key, std::move(values));
        },
        builder, key);
}

int addPathKey(ValidatorBuilder* builder, const char* key, bool skipCheck) {
    return guarded(
        "settings_api::addPathKey", [&] { builder->addPath(key, skipCheck); }, builder, key);
}

int destroyKeyMapper(KeyMapper* keyMapper) {
    return guarded(
        "settings_api::destroyKeyMapper", [&] { delete keyMapper; }, keyMapper);
}

int createKeyMapperBuilder(KeyMapperBuilder** builder) {
    return guarded(
        "settings_api::createKeyMapperBuilder", [&] { *builder = new KeyMapperBuilder(); }, builder);
}

int destroyKeyMapperBuilder(KeyMapperBuilder* builder) {
    return guarded(
        "settings_api::destroyKeyMapperBuilder", [&] { delete builder; }, builder);
}

int buildKeyMapper(KeyMapperBuilder* builder, KeyMapper** keyMapper) {
    return guarded(
        "settings_api::buildKeyMapper",
        [&] {
            std::unique_ptr<settings_impl::KeyMapperList> built = builder->build();
            *keyMapper = new KeyMapper(std::move(*built));
        },
        builder, keyMapper);
}

int addKeyMapping(KeyMapperBuilder* builder, const char* from, const char* to, bool caseSensitive) {
    return guarded(
        "settings_api::addKeyMapping",
        [&] {
            builder->add(std::make_unique<
                         settings_impl::KeyMapperBuilder::KeyMapperFactory<settings_impl::SimpleKeyMapper>>(
                from, to, caseSensitive));
        },
        builder, from, to);
}

constexpr Table kTable = {
    createContext,
    destroyContext,
    getFilePath,
    loadFile,
    loadString,
    mergeContext,
    getErrorLines,
    saveFile,
    isEmpty,
    isEqual,
    forEachEntry,
    getString,
    getBool,
    getInt,
    getDouble,
    removeKey,
    destroyValidator,
    createValidatorBuilder,
    destroyValidatorBuilder,
    buildValidator,
    addStringKey,
    addIntKey,
    addBoolKey,
    addDoubleKey,
    setAllowUnknownKeys,
    addFixedValues,
    addPathKey,
    destroyKeyMapper,
    createKeyMapperBuilder,
    destroyKeyMapperBuilder,
    buildKeyMapper,
    addKeyMapping,
};

}  // namespace

const Table& api() { return kTable; }

}  // namespace settings_api
