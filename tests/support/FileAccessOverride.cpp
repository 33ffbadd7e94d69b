#include "FileAccessOverride.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int Overrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};

} // namespace

bool dropFileAccessOverride()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const int capability : Overrides) {
        const unsigned bit = 1u << (capability % 32);
        data[capability / 32].effective &= ~bit;
        data[capability / 32].permitted &= ~bit;
        data[capability / 32].inheritable &= ~bit;
    }
    return syscall(SYS_capset, &header, data) == 0;
}

void dropFileAccessOverrideOnExec()
{
    // A program started by root gets the bounding set; not root, there is nothing to drop.
    for (const int capability : Overrides)
        prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
}
