#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <vector>

// Where the zip tests find the archives that the build made beside them.
namespace ziptest {

// The full path of fixture archive `name` (fixtures\ beside the test program).
std::string fixture(const std::string& name);

// The folder of the files archive `archive` was made from (fixtures\originals\<archive>).
std::string originals(const std::string& archive);

// Every file and folder below `folder` as relative paths in UTF-8 with "\" separators,
// folders ending in "\", sorted; empty when the folder does not exist.
std::vector<std::string> listTree(const std::string& folder);

// The message of the exception that `action` throws; fails the test when none is thrown.
template <class Action>
std::string thrownMessage(Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    ADD_FAILURE() << "no exception was thrown";
    return {};
}

}  // namespace ziptest
