#pragma once

// The result codes of the settings library: every settings_api entry point returns one,
// and settings::Exception carries one.
namespace settings {

inline constexpr int kSuccess = 0;
inline constexpr int kInternalError = 200;   // standard or unknown exception, failed system query
inline constexpr int kNullArgument = 300;    // a required handle or pointer is null
inline constexpr int kNoValue = 301;         // no value, or a value of another type
inline constexpr int kNotConvertible = 302;  // text not plain, or not a number
inline constexpr int kKeyNotFound = 303;     // the key is not in the configuration
inline constexpr int kCannotOpen = 304;      // a file cannot be opened for reading
inline constexpr int kWriteFailed = 306;     // writing a file failed
inline constexpr int kReadFailed = 307;      // a read error
inline constexpr int kPathTooLong = 310;     // a path of 260 bytes or more
inline constexpr int kInvalidPath = 311;     // no component, reserved name, illegal character...
inline constexpr int kPathNotPlain = 312;    // a path that is not plain text
inline constexpr int kParseErrors = 313;     // the text had parse errors
inline constexpr int kTextNotPlain = 314;    // the text is not plain
inline constexpr int kFileTooLong = 315;     // a file of 1,048,576 bytes or more

}  // namespace settings
