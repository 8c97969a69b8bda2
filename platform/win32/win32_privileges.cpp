#include "platform/privileges.h"
#include "platform/win32/windows_api.h"

namespace tavrin::platform {

bool runningAsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    // Without elevation the group is in the token for deny only, and the
    // check answers no.
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) {
        member = FALSE;
    }
    FreeSid(administrators);
    return member != FALSE;
}

}  // namespace tavrin::platform
