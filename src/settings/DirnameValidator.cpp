#include "settings/DirnameValidator.h"

#include "settings/ConfigValidator.h"
#include "settings/Exception.h"
#include "settings/PathRules.h"

namespace settings_impl {

Value DirnameValidator::validate(const std::string& text) const {
    if (!skipCheck_) {
        try {
            if (!pathrules::check(text).driveAbsolute) {
                throw ConfigValidator::InavlidValueError("'" + text + "' does not begin with a drive");
            }
        } catch (const ConfigValidator::InavlidValueError&) {
            throw;
        } catch (const settings::Exception& error) {
            throw ConfigValidator::InavlidValueError("'" + text + "' is not a valid path: " + error.what());
        }
    }
    return Value::string(text);
}

}  // namespace settings_impl
