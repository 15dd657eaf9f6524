#include "integrate/AllCallbacks.h"

#include <utility>

#include "diag/CatchAndLog.h"

namespace {

// Calls `call` on `member`, logging at `guard` what it throws unless the member wants
// its errors passed on.
template <class Call>
void guarded(VeskSetupManager::Callback& member, const char* guard, Call call) {
    if (member.propagatesErrors()) {
        call(member);
        return;
    }
    try {
        call(member);
    }
    VDS_CATCH_AND_LOG(guard)
}

constexpr const char* handleNoProduct = "VeskSetupManager::AllCallbacks::handleNoProduct::operator ()";
constexpr const char* handleProduct = "VeskSetupManager::AllCallbacks::handleProduct::operator ()";

}  // namespace

void VeskSetupManager::AllCallbacks::add(std::unique_ptr<Callback> member) {
    members_.push_back(std::move(member));
}

void VeskSetupManager::AllCallbacks::onNoVre(const InstallConfigData& config) {
    for (const auto& member : members_) {
        guarded(*member, handleNoProduct, [&](Callback& m) { m.onNoVre(config); });
    }
}

void VeskSetupManager::AllCallbacks::onNoVdk(const InstallConfigData& config) {
    for (const auto& member : members_) {
        guarded(*member, handleNoProduct, [&](Callback& m) { m.onNoVdk(config); });
    }
}

void VeskSetupManager::AllCallbacks::onNoProducts(const InstallConfigData& config) {
    for (const auto& member : members_) {
        guarded(*member, handleNoProduct, [&](Callback& m) { m.onNoProducts(config); });
    }
}

void VeskSetupManager::AllCallbacks::onProducts(const ProductView& view, const InstallConfigData& config,
                                                const InstalledVesk* changed) {
    for (const auto& member : members_) {
        guarded(*member, handleProduct, [&](Callback& m) { m.onProducts(view, config, changed); });
    }
}
