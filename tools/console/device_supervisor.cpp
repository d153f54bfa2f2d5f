// device_supervisor - answers the console program's device requests where the
// devices are files: runs a command under a seccomp filter that hands every
// ioctl of the framebuffer's ('F') and the OSS sound device's ('P') groups to
// this process, which answers those made on the test's framebuffer file and
// sound FIFO as the devices would, and refuses any made elsewhere.
//
//   device_supervisor --fb FILE --dsp FIFO --log LOG [SOUND_DEVICE_OPTION...]
//                     -- COMMAND [ARGUMENT...]
//
// The framebuffer starts at 640x480, 32 bits a pixel; a mode whose screen fits
// its memory (FILE's size) at 16 or 32 bits is taken, with RGB565 at 16 bits,
// and its rows are the mode's width apart. The sound device takes any setting,
// unless told otherwise:
//   --dsp-answer-speed HZ   it answers HZ to every rate asked (as a device
//                           that plays 22050 Hz only)
//   --dsp-refuse NAME       it refuses the setting NAME (speed, format,
//                           stereo, fragments) with EINVAL
//   --dsp-busy              opening it fails with EBUSY, as a device that
//                           another program holds
// LOG gets a line a request, in order ("fb set 320x240x16", "dsp speed 44100",
// "refused ..."). Exits with the command's status.
//
// The command runs under qemu-arm, which translates the guest's requests
// into the host's own (its table of known ioctls) before the kernel, and so
// this process, sees them: what arrives here is the host's request number
// with the host's structure in qemu's memory, which is read and written
// through process_vm_readv/writev.
#include <linux/audit.h>
#include <linux/fb.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <linux/soundcard.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& what) {
    fprintf(stderr, "device_supervisor: %s: %s\n", what.c_str(), strerror(errno));
    exit(2);
}

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity& other) const {
        return device == other.device && inode == other.inode;
    }
};

Identity identityOf(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return {};
    return {status.st_dev, status.st_ino};
}

// ---- the filter ----------------------------------------------------------------------

// Every ioctl of the two groups; with `opens`, every openat too (the
// supervisor lets those go on but the sound device's).
int installFilter(bool opens) {
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, opens ? __NR_openat : ~0u, 7, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_ioctl, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        // The request's low word (little-endian): its group is bits 8-15.
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[1])),
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, 0xFF00),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x4600, 2, 0),  // 'F': the framebuffer
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x5000, 1, 0),  // 'P': OSS sound
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF),
    };
    sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) fail("no_new_privs");
    const long listener =
        syscall(__NR_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &filter);
    if (listener < 0) fail("seccomp");
    return int(listener);
}

// One byte of data and room for one descriptor: how the listener passes from
// the child that made it to this process.
struct DescriptorMessage {
    char data = 0;
    iovec part{&data, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr header{};

    DescriptorMessage() {
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
    }
    DescriptorMessage(const DescriptorMessage&) = delete;
};

void sendDescriptor(int socket, int fd) {
    DescriptorMessage message;
    cmsghdr* header = CMSG_FIRSTHDR(&message.header);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    memcpy(CMSG_DATA(header), &fd, sizeof fd);
    if (sendmsg(socket, &message.header, 0) != 1) fail("sending the listener");
}

int receiveDescriptor(int socket) {
    DescriptorMessage message;
    if (recvmsg(socket, &message.header, 0) != 1) fail("receiving the listener");
    int fd = -1;
    memcpy(&fd, CMSG_DATA(CMSG_FIRSTHDR(&message.header)), sizeof fd);
    return fd;
}

// ---- the devices ---------------------------------------------------------------------

// How the sound device answers, where it is not a device that takes all.
struct SoundDeviceAnswers {
    int speed = 0;         // the rate it answers to every rate asked; 0: the one asked
    uint32_t refused = 0;  // the request it refuses; 0: none
    bool busy = false;     // opening it fails with EBUSY
};

class Devices {
  public:
    Devices(const std::string& fb, const std::string& dsp, FILE* log, SoundDeviceAnswers answers)
        : fb_(identityOf(fb)), dsp_(identityOf(dsp)), log_(log), answers_(answers) {
        struct stat status;
        if (stat(fb.c_str(), &status) != 0) fail(fb);
        memoryLength_ = uint32_t(status.st_size);
        setMode(640, 480, 32);
    }

    // Fills the response to one notification.
    void answer(const seccomp_notif& call, seccomp_notif_resp* response, int listener) {
        response->id = call.id;
        pid_ = call.pid;
        if (call.data.nr == __NR_openat) {
            answerOpen(call, response);
            return;
        }
        const int fd = int(call.data.args[0]);
        const auto request = uint32_t(call.data.args[1]);
        const uint64_t address = call.data.args[2];
        const Identity target =
            identityOf("/proc/" + std::to_string(call.pid) + "/fd/" + std::to_string(fd));
        int error = EPERM;
        if (target == fb_) {
            error = framebuffer(request, address);
        } else if (target == dsp_) {
            error = sound(request, address);
        } else {
            say("refused 0x%08x on a descriptor that is not the test's", request);
        }
        // The call may have gone meanwhile (a signal); its memory was then
        // not the one read.
        if (ioctl(listener, SECCOMP_IOCTL_NOTIF_ID_VALID, &call.id) != 0) error = EINTR;
        response->error = error == 0 ? 0 : -error;
        response->val = 0;
        response->flags = 0;
    }

  private:
    // An open of the sound device fails as a busy device's; any other goes
    // on as the kernel makes it.
    void answerOpen(const seccomp_notif& call, seccomp_notif_resp* response) {
        char path[64] = {};
        iovec local{path, sizeof path - 1};
        iovec remote{reinterpret_cast<void*>(call.data.args[1]), sizeof path - 1};
        const bool read = process_vm_readv(pid_, &local, 1, &remote, 1, 0) > 0;
        if (answers_.busy && read && identityOf(path) == dsp_) {
            say("dsp busy");
            response->error = -EBUSY;
            return;
        }
        response->flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
    }

    void say(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list arguments;
        va_start(arguments, format);
        vfprintf(log_, format, arguments);
        va_end(arguments);
        fputc('\n', log_);
        fflush(log_);
    }

    bool read(uint64_t address, void* into, size_t size) {
        iovec local{into, size};
        iovec remote{reinterpret_cast<void*>(address), size};
        return process_vm_readv(pid_, &local, 1, &remote, 1, 0) == ssize_t(size);
    }

    bool write(uint64_t address, const void* from, size_t size) {
        iovec local{const_cast<void*>(from), size};
        iovec remote{reinterpret_cast<void*>(address), size};
        return process_vm_writev(pid_, &local, 1, &remote, 1, 0) == ssize_t(size);
    }

    void setMode(uint32_t width, uint32_t height, uint32_t bits) {
        mode_ = fb_var_screeninfo{};
        mode_.xres = mode_.xres_virtual = width;
        mode_.yres = mode_.yres_virtual = height;
        mode_.bits_per_pixel = bits;
        if (bits == 16) {
            mode_.red = {11, 5, 0};
            mode_.green = {5, 6, 0};
            mode_.blue = {0, 5, 0};
        } else {
            mode_.red = {16, 8, 0};
            mode_.green = {8, 8, 0};
            mode_.blue = {0, 8, 0};
            mode_.transp = {24, 8, 0};
        }
    }

    int framebuffer(uint32_t request, uint64_t address) {
        switch (request) {
            case FBIOGET_VSCREENINFO:
                say("fb get %ux%ux%u", mode_.xres, mode_.yres, mode_.bits_per_pixel);
                return write(address, &mode_, sizeof mode_) ? 0 : EFAULT;
            case FBIOPUT_VSCREENINFO: {
                fb_var_screeninfo wanted;
                if (!read(address, &wanted, sizeof wanted)) return EFAULT;
                const uint64_t bytes =
                    uint64_t(wanted.xres_virtual) * wanted.yres_virtual * wanted.bits_per_pixel / 8;
                const bool fits = wanted.xres_virtual >= wanted.xres &&
                                  wanted.yres_virtual >= wanted.yres && bytes <= memoryLength_ &&
                                  wanted.xres > 0 && wanted.yres > 0;
                if (!fits || (wanted.bits_per_pixel != 16 && wanted.bits_per_pixel != 32)) {
                    say("fb refused %ux%ux%u", wanted.xres, wanted.yres, wanted.bits_per_pixel);
                    return EINVAL;
                }
                setMode(wanted.xres, wanted.yres, wanted.bits_per_pixel);
                say("fb set %ux%ux%u", mode_.xres, mode_.yres, mode_.bits_per_pixel);
                return write(address, &mode_, sizeof mode_) ? 0 : EFAULT;
            }
            case FBIOGET_FSCREENINFO: {
                fb_fix_screeninfo fixed{};
                memcpy(fixed.id, "test fb", sizeof "test fb");
                fixed.smem_len = memoryLength_;
                fixed.type = FB_TYPE_PACKED_PIXELS;
                fixed.visual = FB_VISUAL_TRUECOLOR;
                fixed.line_length = mode_.xres_virtual * mode_.bits_per_pixel / 8;
                say("fb fixed rows %u bytes, %u bytes", fixed.line_length, fixed.smem_len);
                return write(address, &fixed, sizeof fixed) ? 0 : EFAULT;
            }
            default:
                say("fb refused request 0x%08x", request);
                return EINVAL;
        }
    }

    int sound(uint32_t request, uint64_t address) {
        const char* name = nullptr;
        switch (request) {
            case SNDCTL_DSP_SPEED:
                name = "speed";
                break;
            case SNDCTL_DSP_SETFMT:
                name = "format";
                break;
            case SNDCTL_DSP_STEREO:
                name = "stereo";
                break;
            case SNDCTL_DSP_SETFRAGMENT:
                name = "fragments";
                break;
            default:
                say("dsp refused request 0x%08x", request);
                return EINVAL;
        }
        int value = 0;
        if (!read(address, &value, sizeof value)) return EFAULT;
        say("dsp %s 0x%x", name, unsigned(value));
        if (request == answers_.refused) return EINVAL;
        if (request == SNDCTL_DSP_SPEED && answers_.speed != 0) {
            value = answers_.speed;
            return write(address, &value, sizeof value) ? 0 : EFAULT;
        }
        return 0;  // taken as asked, and left as it is
    }

    Identity fb_, dsp_;
    FILE* log_;
    SoundDeviceAnswers answers_;
    pid_t pid_ = 0;
    uint32_t memoryLength_ = 0;
    fb_var_screeninfo mode_{};
};

int superviseUntilExit(pid_t child, int listener, Devices& devices) {
    seccomp_notif_sizes sizes{};
    if (syscall(__NR_seccomp, SECCOMP_GET_NOTIF_SIZES, 0, &sizes) != 0) fail("notification sizes");
    std::vector<char> callBuffer(std::max<size_t>(sizes.seccomp_notif, sizeof(seccomp_notif)));
    std::vector<char> responseBuffer(
        std::max<size_t>(sizes.seccomp_notif_resp, sizeof(seccomp_notif_resp)));
    for (;;) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        pollfd wait{listener, POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0 || !(wait.revents & POLLIN)) continue;
        auto* call = reinterpret_cast<seccomp_notif*>(callBuffer.data());
        auto* response = reinterpret_cast<seccomp_notif_resp*>(responseBuffer.data());
        memset(call, 0, callBuffer.size());
        memset(response, 0, responseBuffer.size());
        if (ioctl(listener, SECCOMP_IOCTL_NOTIF_RECV, call) != 0) continue;  // the caller went
        devices.answer(*call, response, listener);
        ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, response);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string fb, dsp, logPath;
    SoundDeviceAnswers answers;
    bool understood = true;
    int first = 1;
    for (; first < argc; ++first) {
        const std::string a = argv[first];
        if (a == "--") {
            ++first;
            break;
        }
        if (a == "--dsp-busy") {
            answers.busy = true;
            continue;
        }
        if (first + 1 >= argc) break;
        const std::string value = argv[++first];
        if (a == "--fb") {
            fb = value;
        } else if (a == "--dsp") {
            dsp = value;
        } else if (a == "--log") {
            logPath = value;
        } else if (a == "--dsp-answer-speed") {
            answers.speed = atoi(value.c_str());
        } else if (a == "--dsp-refuse") {
            answers.refused = value == "speed"       ? SNDCTL_DSP_SPEED
                              : value == "format"    ? SNDCTL_DSP_SETFMT
                              : value == "stereo"    ? SNDCTL_DSP_STEREO
                              : value == "fragments" ? SNDCTL_DSP_SETFRAGMENT
                                                     : 0;
            understood = understood && answers.refused != 0;
        } else {
            understood = false;
        }
    }
    if (!understood || fb.empty() || dsp.empty() || logPath.empty() || first >= argc) {
        fprintf(stderr,
                "usage: device_supervisor --fb FILE --dsp FIFO --log LOG [--dsp-answer-speed HZ] "
                "[--dsp-refuse speed|format|stereo|fragments] [--dsp-busy] -- COMMAND...\n");
        return 2;
    }
    FILE* log = fopen(logPath.c_str(), "w");
    if (log == nullptr) fail(logPath);
    Devices devices(fb, dsp, log, answers);

    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) != 0) fail("socketpair");
    const pid_t child = fork();
    if (child < 0) fail("fork");
    if (child == 0) {
        close(sockets[0]);
        const int listener = installFilter(answers.busy);
        sendDescriptor(sockets[1], listener);
        close(listener);
        close(sockets[1]);
        execvp(argv[first], argv + first);
        fail(argv[first]);
    }
    close(sockets[1]);
    const int listener = receiveDescriptor(sockets[0]);
    close(sockets[0]);
    return superviseUntilExit(child, listener, devices);
}
