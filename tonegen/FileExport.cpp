#include "FileExport.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int Fd, const void* Data, std::size_t Size) {
    const auto* At = static_cast<const unsigned char*>(Data);
    while (Size > 0) {
        const ssize_t Written = ::write(Fd, At, Size);
        if (Written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (Written == 0)
            return false;
        At += Written;
        Size -= static_cast<std::size_t>(Written);
    }
    return true;
}

std::string DirectoryOf(const std::string& Path) {
    const auto Slash = Path.find_last_of('/');
    if (Slash == std::string::npos)
        return ".";
    if (Slash == 0)
        return "/";
    return Path.substr(0, Slash);
}

std::string BaseOf(const std::string& Path) {
    const auto Slash = Path.find_last_of('/');
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

// The path that writing through FileName would reach: symbolic links are
// followed to their final target, which may not exist yet.
std::string FollowLinks(std::string Path) {
    for (int Depth = 0; Depth < 40; ++Depth) {
        struct stat St {};
        if (::lstat(Path.c_str(), &St) != 0 || !S_ISLNK(St.st_mode))
            return Path;
        std::string Link(static_cast<std::size_t>(St.st_size > 0 ? St.st_size : 255) + 1, '\0');
        const ssize_t Length = ::readlink(Path.c_str(), Link.data(), Link.size());
        if (Length <= 0 || static_cast<std::size_t>(Length) >= Link.size())
            return Path;
        Link.resize(static_cast<std::size_t>(Length));
        Path = Link.front() == '/' ? Link : DirectoryOf(Path) + "/" + Link;
    }
    return Path;
}

} // namespace

bool WriteFileReplacing(const std::string& FileName, const void* Data, std::size_t Size) {
    if (FileName.empty())
        return false;
    struct stat St {};
    const bool Exists = ::stat(FileName.c_str(), &St) == 0;
    if (Exists && S_ISDIR(St.st_mode))
        return false;
    if (Exists && !S_ISREG(St.st_mode)) {
        // Opened by the name given, so that the system resolves names such
        // as /dev/stdout that lead to a pipe rather than to a path.
        const int Fd = ::open(FileName.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (Fd < 0)
            return false;
        const bool Written = WriteAll(Fd, Data, Size);
        return (::close(Fd) == 0) && Written;
    }

    const std::string Target = FollowLinks(FileName);
    if (Exists) {
        // Renaming over a file needs only the folder's permission, not the
        // file's, so a write-protected file would be replaced. Export may
        // replace only a file it could also have opened for writing; the
        // test opens it without truncating and leaves it unchanged.
        const int Probe = ::open(Target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (Probe < 0)
            return false;
        ::close(Probe);
    }
    // The temporary name hides the file (leading dot) and keeps within the
    // length a directory entry may have.
    static std::atomic<unsigned> Counter{0};
    const std::string Prefix = DirectoryOf(Target) + "/." + BaseOf(Target).substr(0, 200) + ".tmp" +
                               std::to_string(::getpid()) + "-";
    std::string Temporary;
    int Fd = -1;
    for (int Attempt = 0; Attempt < 100 && Fd < 0; ++Attempt) {
        Temporary = Prefix + std::to_string(Counter++);
        Fd = ::open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd < 0 && errno != EEXIST)
            return false;
    }
    if (Fd < 0)
        return false;
    if (Exists)
        (void)::fchmod(Fd, St.st_mode & 07777);
    bool Ok = WriteAll(Fd, Data, Size) && ::fsync(Fd) == 0;
    Ok = (::close(Fd) == 0) && Ok;
    if (Ok)
        Ok = ::rename(Temporary.c_str(), Target.c_str()) == 0;
    if (!Ok)
        ::unlink(Temporary.c_str());
    return Ok;
}
