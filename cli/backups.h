#pragma once
// apply's backups: one profile per write, named by the time it was taken
// (UTC), never overwritten, and only the newest kKeptBackups kept.

#include <chrono>
#include <string>
#include <vector>

namespace tavrin::cli {

inline constexpr std::size_t kKeptBackups = 20;

// /var/lib/tavrin/backups on Linux, %ProgramData%\Tavrin\backups on
// Windows; programData is that variable's value (empty: C:\ProgramData).
std::string defaultBackupFolder(const std::string& programData);

// "tavrin-20240131T142501Z.json"; attempt n > 0 adds "-n" before ".json".
std::string backupName(std::chrono::system_clock::time_point when, int attempt);

// Of the names in a folder, the backups to delete so that the newest
// `keep` stay, oldest first. Names that are not backups are never chosen.
std::vector<std::string> backupsToPrune(std::vector<std::string> names, std::size_t keep);

// The folder's side: made when missing, names listed, files removed.
// Each returns false (names: empty) with the reason in error.
bool makeBackupFolder(const std::string& folder, std::string& error);
std::vector<std::string> backupFolderNames(const std::string& folder);
bool removeBackup(const std::string& path);
bool backupExists(const std::string& path);
std::string backupPath(const std::string& folder, const std::string& name);

}  // namespace tavrin::cli
