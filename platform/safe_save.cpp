#include "platform/safe_save.h"

#include <random>

namespace tavrin::platform {

namespace {

constexpr int kNameAttempts = 100;
constexpr std::size_t kKeptNameLength = 100;

std::size_t folderEnd(const std::string& path) {
#ifdef _WIN32
    return path.find_last_of("\\/");
#else
    return path.rfind('/');
#endif
}

}  // namespace

std::string_view describe(SaveFault fault) {
    switch (fault) {
        case SaveFault::None:
            return "saved";
        case SaveFault::FolderReadOnly:
            return "the folder is read-only";
        case SaveFault::FileReadOnly:
            return "the file is read-only";
        case SaveFault::DiskReadOnly:
            return "the disk is read-only";
        case SaveFault::DiskFull:
            return "the disk is full";
        case SaveFault::NoFolder:
            return "the folder does not exist";
        case SaveFault::IsFolder:
            return "a folder has that name";
        case SaveFault::LinkLoop:
            return "too many symbolic links";
        case SaveFault::NameTooLong:
            return "the name is too long";
        case SaveFault::NameTaken:
            return "no free name for the new file in the folder";
        case SaveFault::NoPermission:
            return "permission denied";
        case SaveFault::DiskError:
            return "the disk reported an error";
        case SaveFault::NotRegular:
            return "not a regular file";
        case SaveFault::ForeignLink:
            return "the name is another user's link in a shared folder";
        case SaveFault::Failed:
            break;
    }
    return "the file could not be written";
}

std::string SaveSteps::nameSuffix() {
    return randomSuffix();
}

std::string randomSuffix() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kAlphabet) - 2);
    std::string suffix(12, '0');
    for (char& c : suffix) {
        c = kAlphabet[pick(source)];
    }
    return suffix;
}

std::string temporaryPath(const std::string& target, const std::string& suffix) {
    const std::size_t cut = folderEnd(target);
    const std::string folder = cut == std::string::npos ? std::string{} : target.substr(0, cut + 1);
    const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
    // A long name would leave no room for the suffix within the name limit.
    return folder + "." + name.substr(0, kKeptNameLength) + "." + suffix + ".tavrin-new";
}

SaveResult saveWhole(SaveSteps& steps, const std::string& path,
                     const std::vector<std::uint8_t>& bytes) {
    SaveResult result;
    std::string target;
    result.fault = steps.resolve(path, target);
    if (!result) {
        return result;
    }
    std::string temporary;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary = temporaryPath(target, steps.nameSuffix());
        result.fault = steps.createTemporary(target, temporary, result.ownerChanged);
        if (result.fault != SaveFault::NameTaken) {
            break;
        }
    }
    if (!result) {
        return result;  // nothing was made
    }
    SaveFault fault = steps.write(bytes);
    // The bytes reach the disk before the name does: a power cut after the
    // rename must not leave an empty or half-written file.
    if (fault == SaveFault::None) {
        fault = steps.flush();
    }
    if (fault == SaveFault::None) {
        fault = steps.close();
    }
    if (fault == SaveFault::None) {
        fault = steps.commit(temporary, target);
    }
    if (fault != SaveFault::None) {
        steps.discard(temporary);
        return {fault, false};
    }
    // The new file is in place; an unflushed folder might still bring the
    // old one back after a power cut, which the caller hears of.
    result.fault = steps.flushFolder(target);
    return result;
}

}  // namespace tavrin::platform
