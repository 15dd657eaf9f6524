#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/InstallConfigData.h"
#include "integrate/Callback.h"
#include "integrate/ProductView.h"

namespace setuptest {

constexpr std::int32_t VRE = Bundle::VRE;
constexpr std::int32_t VDK = Bundle::VDK;

// A product record; `id` (1 to 255) becomes the last byte of its product code.
InstalledVesk record(std::int32_t type, std::int32_t arch, const std::string& version, int id,
                     const std::string& home);

// The configuration the managers receive.
std::unique_ptr<InstallConfigData> makeConfig();

// Makes the folder `home` with the files `files` (paths below it), each holding its own
// path as text.
void makeHome(const std::string& home, const std::vector<std::string>& files);

// One update for `product` with only `manager`: true when the whole update ran.
bool updateWith(std::unique_ptr<VeskSetupManager::Callback> manager, const InstallConfigData& config,
                const std::vector<InstalledVesk>& detected, const InstalledVesk& product,
                VeskSetupManager::Operation operation);

// What a recording callback saw of one onProducts call.
struct SeenView {
    std::vector<std::string> all;     // homes, in view order
    std::vector<std::size_t> groups;  // sizes: VRE 32, VRE 64, VDK 32, VDK 64
    std::string currentVre;           // home, "-" for none
    bool currentVreChanged = false;
    std::string changed;  // home of the changed product, "-" for none
};

// Notes every call in `calls` ("onProducts", "onNoVre", ...); throws from onProducts
// when made to.
class RecordingCallback : public VeskSetupManager::Callback {
public:
    RecordingCallback(std::vector<std::string>& calls, SeenView& seen, bool throws = false)
        : calls_(calls), seen_(seen), throws_(throws) {}

    void onNoVre(const InstallConfigData&) override { calls_.push_back("onNoVre"); }
    void onNoVdk(const InstallConfigData&) override { calls_.push_back("onNoVdk"); }
    void onProducts(const VeskSetupManager::ProductView& view, const InstallConfigData&,
                    const InstalledVesk* changed) override;

private:
    std::vector<std::string>& calls_;
    SeenView& seen_;
    bool throws_;
};

}  // namespace setuptest
