#include "detect/MsiDatabase.h"

#include <utility>

#include "detect/MsiError.h"
#include "detect/MsiString.h"
#include "detect/MsiUtils.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"

namespace msi {

namespace {

AutoMSIHANDLE openDatabase(const std::string& path) {
    AutoMSIHANDLE database;
    const UINT status = MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, database.receive());
    if (status != ERROR_SUCCESS) {
        VDS_THROW(Error, "msi::openDatabase", "MsiOpenDatabase(" + path + ", MSIDBOPEN_READONLY) failed",
                  static_cast<std::int32_t>(status));
    }
    return database;
}

}  // namespace

Database::Database(std::string path, AutoMSIHANDLE handle) : path_(std::move(path)), handle_(std::move(handle)) {}

Database Database::forProduct(const std::string& productCode) { return open(msi::getProperty(productCode, "LocalPackage")); }

Database Database::open(const std::string& path) { return Database(path, openDatabase(path)); }

std::string Database::getProperty(const std::string& name) const {
    const std::string query = "SELECT Value FROM Property WHERE Property = '" + name + "'";
    const std::string call = "(" + path_ + ", " + query + ")";
    const auto fail = [&](const std::string& message, UINT status) {
        VDS_THROW(Error, "msi::Database::getProperty", message, static_cast<std::int32_t>(status));
    };

    AutoDatabaseView view;
    UINT status = MsiDatabaseOpenViewA(handle_.get(), query.c_str(), view.receive());
    if (status != ERROR_SUCCESS) {
        fail("MsiDatabaseOpenView" + call + " failed", status);
    }
    status = MsiViewExecute(view.get(), 0);
    if (status != ERROR_SUCCESS) {
        fail("MsiViewExecute" + call + " failed", status);
    }
    AutoMSIHANDLE record;
    status = MsiViewFetch(view.get(), record.receive());
    if (status != ERROR_SUCCESS) {
        fail("MsiViewFetch" + call + " failed", status);
    }
    if (MsiRecordGetFieldCount(record.get()) != 1) {
        fail("MsiRecordGetFieldCount" + call + " returned unexpected value", 0);
    }
    std::string value;
    status = readString([&](char* buffer, DWORD* size) { return MsiRecordGetStringA(record.get(), 1, buffer, size); },
                        value);
    if (status != ERROR_SUCCESS) {
        VDS_THROW(Error, "msi::getProperty",
                  "MsiRecordGetString(" + tstrings::toDecimal(record.get()) + ", 1) failed",
                  static_cast<std::int32_t>(status));
    }
    return value;
}

}  // namespace msi
