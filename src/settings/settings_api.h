#pragma once

#include <cstddef>

// The settings library as the installer reaches it: a flat table of C-style entry
// points over opaque handles. Every entry point returns a result code of
// settings/ResultCodes.h (0 success, 300 for a null handle or pointer argument) and
// never lets an exception escape. Texts are UTF-8.
namespace settings_api {

struct Context;
struct Validator;
struct ValidatorBuilder;
struct KeyMapper;
struct KeyMapperBuilder;

// One allowed text of a fixed-value key. Flag bit 0: compare exactly (else ignoring
// case); flag bit 1: store `text` rather than the text given.
struct FixedValue {
    const char* text;
    int value;
    int flags;
};

// Called by forEachEntry once per key, in key order.
using EntryFunction = void (*)(Context* context, std::size_t keyCount, std::size_t index, const char* key,
                               void* userData);

struct Table {
    // 0: a new context with an empty configuration and the runtime settings file path.
    int (*createContext)(Context** context);
    // 1
    int (*destroyContext)(Context* context);
    // 2: the runtime settings file path; the text belongs to the context.
    int (*getFilePath)(Context* context, const char** path);
    // 3: parses the file and merges it into the context. The validator and key mapper
    // may be null. 313 when lines had errors (see getErrorLines).
    int (*loadFile)(Context* context, const char* path, const Validator* validator,
                    const KeyMapper* keyMapper, bool stopOnError, bool allowKeyOnly);
    // 4: the same for a text.
    int (*loadString)(Context* context, const char* text, const Validator* validator,
                      const KeyMapper* keyMapper, bool stopOnError, bool allowKeyOnly);
    // 5: copies every key of `other` over this context's keys.
    int (*mergeContext)(Context* context, const Context* other);
    // 6: the line indexes (from 0) with errors in the last load; null and 0 when none.
    // The array belongs to the context.
    int (*getErrorLines)(Context* context, const int** lines, std::size_t* count);
    // 7: writes the configuration to the file, creating missing folders.
    int (*saveFile)(Context* context, const char* path);
    // 8
    int (*isEmpty)(Context* context, bool* empty);
    // 9: same key names and equal values, compared by type.
    int (*isEqual)(Context* context, const Context* other, bool* equal);
    // 10
    int (*forEachEntry)(Context* context, EntryFunction function, void* userData);
    // 11: the text of the key's value; it belongs to the context and stays valid until
    // the key changes.
    int (*getString)(Context* context, const char* key, const char** text);
    // 12: true for a key without value, else the key's boolean.
    int (*getBool)(Context* context, const char* key, bool* value);
    // 13
    int (*getInt)(Context* context, const char* key, int* value);
    // 14
    int (*getDouble)(Context* context, const char* key, double* value);
    // 15: 303 when the key is absent.
    int (*removeKey)(Context* context, const char* key);
    // 16
    int (*destroyValidator)(Validator* validator);
    // 17: an empty builder that refuses unknown keys.
    int (*createValidatorBuilder)(ValidatorBuilder** builder);
    // 18
    int (*destroyValidatorBuilder)(ValidatorBuilder* builder);
    // 19
    int (*buildValidator)(ValidatorBuilder* builder, Validator** validator);
    // 20 to 23: text, integer, boolean and double keys.
    int (*addStringKey)(ValidatorBuilder* builder, const char* key);
    int (*addIntKey)(ValidatorBuilder* builder, const char* key);
    int (*addBoolKey)(ValidatorBuilder* builder, const char* key);
    int (*addDoubleKey)(ValidatorBuilder* builder, const char* key);
    // 24
    int (*setAllowUnknownKeys)(ValidatorBuilder* builder, bool allow);
    // 25: the key accepts only these texts and stores their integers.
    int (*addFixedValues)(ValidatorBuilder* builder, const char* key, const FixedValue* entries,
                          std::size_t count);
    // 26: the key is a path beginning with a drive, unless the check is skipped.
    int (*addPathKey)(ValidatorBuilder* builder, const char* key, bool skipCheck);
    // 27
    int (*destroyKeyMapper)(KeyMapper* keyMapper);
    // 28
    int (*createKeyMapperBuilder)(KeyMapperBuilder** builder);
    // 29
    int (*destroyKeyMapperBuilder)(KeyMapperBuilder* builder);
    // 30
    int (*buildKeyMapper)(KeyMapperBuilder* builder, KeyMapper** keyMapper);
    // 31: maps `from` to `to`; later registrations are tried first.
    int (*addKeyMapping)(KeyMapperBuilder* builder, const char* from, const char* to, bool caseSensitive);
};

// The table of entry points.
const Table& api();

}  // namespace settings_api
