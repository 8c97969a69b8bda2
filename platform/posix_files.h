#pragma once
// Saves through the POSIX calls: open with O_EXCL and O_NOFOLLOW, fchown,
// fchmod, fsync, rename, and fsync of the folder.

#include <string>
#include <vector>

#include "platform/safe_save.h"

namespace tavrin::platform {

class PosixSaveSteps : public SaveSteps {
public:
    PosixSaveSteps() = default;
    ~PosixSaveSteps() override;
    PosixSaveSteps(const PosixSaveSteps&) = delete;
    PosixSaveSteps& operator=(const PosixSaveSteps&) = delete;

    SaveFault resolve(const std::string& path, std::string& target) override;
    SaveFault createTemporary(const std::string& target, const std::string& temporary,
                              bool& ownerChanged) override;
    SaveFault write(const std::vector<std::uint8_t>& bytes) override;
    SaveFault flush() override;
    SaveFault close() override;
    SaveFault commit(const std::string& temporary, const std::string& target) override;
    SaveFault flushFolder(const std::string& target) override;
    void discard(const std::string& temporary) override;

private:
    int fd_ = -1;
};

// The in-place write of FileSystem::writeFileHead: the named file (through
// the owner's links), or a new one made exclusively; fsync'ed.
SaveResult posixWriteHead(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A file the program writes fresh and may fill with card or keyboard data
// (the wire log): created with mode 0600, emptied when it exists, and never
// opened through a symbolic link. Null with errno set on failure.
std::FILE* openPrivateFile(const std::string& path);

// errno after a failed call, as a save fault; creating tells a file that
// cannot be made in its folder from one that cannot be opened.
SaveFault faultOfErrno(int error, bool creating);

}  // namespace tavrin::platform
