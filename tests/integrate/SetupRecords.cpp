#include "SetupRecords.h"

#include <stdexcept>
#include <utility>

#include "integrate/AllCallbacks.h"
#include "platform/FileUtils.h"
#include "support/TestFiles.h"

namespace setuptest {

InstalledVesk record(std::int32_t type, std::int32_t arch, const std::string& version, int id,
                     const std::string& home) {
    InstalledVesk product;
    product.bundle = Bundle{type, arch, VeskVersion(version)};
    product.mode = type == VRE ? InstalledVesk::ordinaryMode : InstalledVesk::noMode;
    GUID code{};
    code.Data4[7] = static_cast<unsigned char>(id);
    product.productCode = Guid(code);
    product.homeDir = home;
    return product;
}

std::unique_ptr<InstallConfigData> makeConfig() {
    return std::make_unique<InstallConfigData>(GetModuleHandleA(nullptr), false);
}

void makeHome(const std::string& home, const std::vector<std::string>& files) {
    FileUtils::createDirs(home);
    for (const std::string& file : files) {
        const std::string path = FileUtils::join(home, file);
        FileUtils::createDirs(FileUtils::dirname(path));
        testsupport::writeFileText(path, path);
    }
}

bool updateWith(std::unique_ptr<VeskSetupManager::Callback> manager, const InstallConfigData& config,
                const std::vector<InstalledVesk>& detected, const InstalledVesk& product,
                VeskSetupManager::Operation operation) {
    VeskSetupManager setup;
    setup.product = product;
    setup.operation = operation;
    auto all = std::make_unique<VeskSetupManager::AllCallbacks>();
    all->add(std::move(manager));
    return setup.update(config, detected, std::move(all));
}

void RecordingCallback::onProducts(const VeskSetupManager::ProductView& view, const InstallConfigData&,
                                   const InstalledVesk* changed) {
    calls_.push_back("onProducts");
    if (throws_) {
        throw std::runtime_error("recording callback fails");
    }
    seen_ = SeenView{};
    for (const InstalledVesk& product : view.all()) {
        seen_.all.push_back(product.homeDir);
    }
    for (const std::int32_t type : {VRE, VDK}) {
        for (const std::int32_t arch : {32, 64}) {
            seen_.groups.push_back(view.group(type, arch).size());
        }
    }
    seen_.currentVre = view.currentVre() ? view.currentVre()->homeDir : "-";
    seen_.currentVreChanged = view.currentVreChanged();
    seen_.changed = changed != nullptr ? changed->homeDir : "-";
}

}  // namespace setuptest
