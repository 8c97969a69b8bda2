#pragma once
// Saves through the POSIX calls: open with O_EXCL and O_NOFOLLOW, fchown,
// fchmod, fsync, rename, and fsync of the folder. A link is followed only
// where the kernel's protected_symlinks rule would follow it, whether or not
// the machine turns that rule on: the link is the saving user's, or its
// folder is not both sticky and world-writable, or the link's owner owns
// that folder. Whatever the name leads to must be a regular file.

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/safe_save.h"

namespace tavrin::platform {

// May a link with this owner, in a folder with this mode and owner, be
// followed by user? The protected_symlinks rule.
bool linkMayBeFollowed(uid_t linkOwner, mode_t folderMode, uid_t folderOwner, uid_t user);

// The name's last link followed as the rule lets it: the file to write (or
// to create, where a link dangles). A refused link is ForeignLink; anything
// but a regular file at the end NotRegular.
SaveFault resolveForUser(const std::string& path, uid_t user, std::string& target);

class PosixSaveSteps : public SaveSteps {
public:
    // user: who saves (the effective user; tests name another).
    explicit PosixSaveSteps(uid_t user = ::geteuid()) : user_(user) {}
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
    uid_t user_;
    int fd_ = -1;
};

// The in-place write of FileSystem::writeFileHead: the named file (through
// the links the rule lets through), or a new one made exclusively; fsync'ed.
SaveResult posixWriteHead(const std::string& path, const std::vector<std::uint8_t>& bytes,
                          uid_t user = ::geteuid());

// Opens a file to read without blocking on a FIFO: -1 unless it is a
// regular file (errno EINVAL for anything else).
int openRegularForReading(const std::string& path);

// A file the program writes fresh and may fill with card or keyboard data
// (the wire log, the trace): made new with mode 0600, never through a link;
// an existing one is reused (emptied) only when it is a regular file of the
// user's, mode 0600. Null with the reason on failure.
std::FILE* openPrivateFile(const std::string& path, std::string* why = nullptr,
                           uid_t user = ::geteuid());

// errno after a failed call, as a save fault; creating tells a file that
// cannot be made in its folder from one that cannot be opened.
SaveFault faultOfErrno(int error, bool creating);

}  // namespace tavrin::platform
