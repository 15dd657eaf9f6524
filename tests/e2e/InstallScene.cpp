#include "InstallScene.h"

// shlobj.h needs the declarations of windows.h.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "platform/Crypto.h"
#include "support/ProgressWatcher.h"
#include "support/TestFiles.h"

namespace e2e {

const char* const archives[7] = {
    "lib\\plugin.vpk", "lib\\veskws.vpk",   "lib\\deploy.vpk",          "lib\\rt.vpk",
    "lib\\vsse.vpk",   "lib\\charsets.vpk", "lib\\ext\\localedata.vpk",
};

const std::set<std::string> otherArchitectureFiles = {
    "bin\\WindowsVabBridge-32.dll", "bin\\VeskAccessBridge-32.dll", "bin\\VAWTAccessBridge-32.dll",
    "lib\\ext\\vab-bridge-32.vpk",  "bin\\WindowsVabBridge.dll",    "bin\\VAWTAccessBridge.dll",
    "lib\\ext\\vab-bridge.vpk",
};

const char* const classDataArchive = "bin\\server\\classes.vsa";
const char* const classDataFailMarker = "bin\\server\\fail-share-dump";

std::string join(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

std::string commonAppData() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path))) {
        throw std::runtime_error("SHGetFolderPathA(CSIDL_COMMON_APPDATA) failed");
    }
    return path;
}

std::string cacheDir() { return join(commonAppData(), "Veyra\\Vesk\\installcache_x64"); }
std::string cachedImage() { return join(cacheDir(), "baseimagefam8"); }

std::string sha256(const std::string& path) {
    HashBase hash = createHash();
    hash.appendFile(path);
    return hash.getStringValue();
}

std::set<std::string> entriesIn(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(join(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.insert(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::set<std::string> filesBelow(const std::string& root, const std::string& relative) {
    std::set<std::string> files;
    const std::string folder = relative.empty() ? root : join(root, relative);
    for (const std::string& name : entriesIn(folder)) {
        const std::string path = relative.empty() ? name : join(relative, name);
        const DWORD attributes = GetFileAttributesA(join(root, path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files.merge(filesBelow(root, path));
        } else {
            files.insert(path);
        }
    }
    return files;
}

void copyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    for (const std::string& file : filesBelow(from)) {
        for (std::size_t separator = file.find('\\'); separator != std::string::npos;
             separator = file.find('\\', separator + 1)) {
            CreateDirectoryA(join(to, file.substr(0, separator)).c_str(), nullptr);
        }
        if (!CopyFileA(join(from, file).c_str(), join(to, file).c_str(), FALSE)) {
            throw std::runtime_error("cannot copy " + join(from, file) + " to " + join(to, file));
        }
    }
}

std::map<std::string, std::string> imageFiles(const std::string& listPath, std::size_t expanded) {
    std::map<std::string, std::string> files;
    std::ifstream list(listPath);
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        std::string path, digest, expandedDigest;
        std::getline(fields, path, '\t');
        std::getline(fields, digest, '\t');
        std::getline(fields, expandedDigest, '\t');
        if (otherArchitectureFiles.count(path) != 0) {
            continue;
        }
        const std::string vpk = path.substr(0, path.rfind('.')) + ".vpk";
        const auto archive = std::find(std::begin(archives), std::begin(archives) + expanded, vpk);
        if (archive != std::begin(archives) + expanded && expandedDigest != "-") {
            files[vpk] = expandedDigest;
        } else {
            files[path] = digest;
        }
    }
    if (files.empty()) {
        throw std::runtime_error("no files listed in " + listPath);
    }
    return files;
}

void expectHome(const std::string& home, const std::map<std::string, std::string>& expected,
                const std::set<std::string>& others) {
    std::set<std::string> names = others;
    for (const auto& entry : expected) {
        names.insert(entry.first);
    }
    const std::set<std::string> actual = filesBelow(home);
    EXPECT_EQ(actual, names);
    for (const auto& [path, digest] : expected) {
        if (actual.count(path) != 0) {
            EXPECT_EQ(sha256(join(home, path)), digest) << path;
        }
    }
}


std::vector<std::string> problems(const ChildRun& run) {
    static const std::string caught = "ERROR Exception with message '";
    std::vector<std::string> lines;
    for (const std::string& line : run.log) {
        if (line.rfind("ERROR ", 0) != 0 && line.rfind("WARNING ", 0) != 0) {
            continue;
        }
        if (line.rfind(caught, 0) == 0) {
            std::string text = line.substr(caught.size());
            const std::string::size_type place = text.find("(): ");
            lines.push_back("ERROR Exception: " +
                            (place == std::string::npos ? text : text.substr(place + 4)));
        } else {
            lines.push_back(line);
        }
    }
    return lines;
}

void expectProblems(const ChildRun& run, const std::vector<std::string>& expected) {
    const std::vector<std::string> actual = problems(run);
    ASSERT_EQ(actual.size(), expected.size()) << testing::PrintToString(run.log);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].rfind(expected[i], 0), 0u) << actual[i] << "\nexpected: " << expected[i];
    }
}

bool logged(const ChildRun& run, const std::string& line) {
    return std::find(run.log.begin(), run.log.end(), line) != run.log.end();
}

std::string started(int id) { return "operation " + std::to_string(id) + " started"; }
std::string finished(int id) { return "operation " + std::to_string(id) + " finished"; }

void expectProgress(const ChildRun& run, const std::vector<int>& operations,
                    const std::vector<int>& mustSee) {
    std::vector<std::string> posted;
    for (const int id : operations) {
        posted.push_back(started(id));
        posted.push_back(finished(id));
    }
    const std::string seen = testing::PrintToString(run.progress);
    EXPECT_TRUE(testsupport::isSubsequence(run.progress, posted)) << seen;
    for (const int id : mustSee) {
        EXPECT_NE(std::find(run.progress.begin(), run.progress.end(), started(id)), run.progress.end())
            << seen;
    }
    if (posted.empty()) {
        EXPECT_TRUE(run.progress.empty()) << seen;
    } else {
        ASSERT_FALSE(run.progress.empty());
        EXPECT_EQ(run.progress.back(), posted.back());
    }
}

void seedCache(const std::string& content) {
    for (const std::string& level : {join(commonAppData(), "Veyra"), join(commonAppData(), "Veyra\\Vesk"), cacheDir()}) {
        CreateDirectoryA(level.c_str(), nullptr);
        const DWORD attributes = GetFileAttributesA(level.c_str());
        ASSERT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) << level;
    }
    testsupport::writeFileText(cachedImage(), content);
}
}  // namespace e2e
