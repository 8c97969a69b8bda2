#include "cli/backups.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <regex>

namespace tavrin::cli {

namespace fs = std::filesystem;

namespace {

// The time stamp, then the attempt, so that names sort by when.
std::optional<std::pair<std::string, int>> backupKey(const std::string& name) {
    static const std::regex pattern(R"(tavrin-(\d{8}T\d{6}Z)(?:-(\d{1,6}))?\.json)");
    std::smatch m;
    if (!std::regex_match(name, m, pattern)) {
        return std::nullopt;
    }
    return std::make_pair(m[1].str(), m[2].matched ? std::stoi(m[2].str()) : 0);
}

}  // namespace

std::string defaultBackupFolder(const std::string& programData) {
#ifdef _WIN32
    const std::string root = programData.empty() ? std::string("C:\\ProgramData") : programData;
    return root + "\\Tavrin\\backups";
#else
    (void)programData;
    return "/var/lib/tavrin/backups";
#endif
}

std::string backupName(std::chrono::system_clock::time_point when, int attempt) {
    using namespace std::chrono;
    const auto secs = floor<seconds>(when);
    const auto day = floor<days>(secs);
    const year_month_day date{day};
    const hh_mm_ss time{secs - day};
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02uT%02d%02d%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return std::string("tavrin-") + stamp + (attempt > 0 ? "-" + std::to_string(attempt) : "") +
           ".json";
}

std::vector<std::string> backupsToPrune(std::vector<std::string> names, std::size_t keep) {
    std::erase_if(names, [](const std::string& n) { return !backupKey(n); });
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return backupKey(a) < backupKey(b);
    });
    if (names.size() <= keep) {
        return {};
    }
    names.resize(names.size() - keep);
    return names;
}

bool makeBackupFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::error_code made = ec;
    if (fs::is_directory(folder, ec)) {
        return true;
    }
    error = "cannot make the backup folder " + folder + " (" +
            (made ? made.message() : std::string("a file has its name")) + ")";
    return false;
}

std::vector<std::string> backupFolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

bool removeBackup(const std::string& path) {
    std::error_code ec;
    return fs::remove(path, ec);
}

bool backupExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec) || ec;
}

std::string backupPath(const std::string& folder, const std::string& name) {
    return (fs::path(folder) / name).string();
}

}  // namespace tavrin::cli
