#include "game/score_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "game/best_score.h"

namespace {

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Resolves every symbolic link on the way to the file, one name at a time,
// refusing where the kernel's protected-symlinks rule would: a link in a
// sticky, world-writable folder is followed only when it belongs to the
// player or to the folder's owner. The path found names real folders only, so
// the rest of the save acts on it and never follows a link.
bool resolveLinks(std::string& path) {
    std::string done = path[0] == '/' ? "" : ".";  // "" is the root
    std::vector<std::string> todo;                 // names still to walk, the next one last
    auto push = [&todo](const std::string& names) {
        std::vector<std::string> parts;
        for (std::size_t start = 0, end; start <= names.size(); start = end + 1) {
            end = std::min(names.find('/', start), names.size());
            parts.push_back(names.substr(start, end - start));
        }
        todo.insert(todo.end(), parts.rbegin(), parts.rend());
    };
    push(path);
    for (int hops = 0; !todo.empty();) {
        std::string name = todo.back();
        todo.pop_back();
        if (name.empty() || name == ".")
            continue;
        std::size_t slash = done.rfind('/');
        if (name == "..") {  // `done` holds no link, so its parent is found by name
            bool up = done == "." || done.compare(slash + 1, std::string::npos, "..") == 0;
            done = up ? done + "/.." : done.substr(0, slash);
            continue;
        }
        std::string next = done + "/" + name;
        struct stat link {};
        if (::lstat(next.c_str(), &link) != 0) {
            if (errno != ENOENT || !todo.empty())
                return false;
        } else if (S_ISLNK(link.st_mode)) {
            struct stat dir {};
            if (++hops > 40 || ::stat(done.empty() ? "/" : done.c_str(), &dir) != 0)
                return false;
            bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
            if (shared && link.st_uid != ::geteuid() && link.st_uid != dir.st_uid)
                return false;
            char target[PATH_MAX];
            ssize_t n = ::readlink(next.c_str(), target, sizeof target);
            if (n <= 0 || n == static_cast<ssize_t>(sizeof target))
                return false;
            push(std::string(target, static_cast<std::size_t>(n)));
            if (target[0] == '/')
                done = "";
            continue;
        }
        done = next;
    }
    path = done.empty() ? "/" : done;
    return true;
}

std::optional<std::int32_t> readResolved(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    ScoreParser parser;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buffer[512];
        bool more = true;
        for (ssize_t n; more && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            for (ssize_t i = 0; more && i < n; i++)
                more = feedScoreParser(parser, static_cast<unsigned char>(buffer[i]));
    }
    ::close(fd);
    return scoreParserValue(parser);
}

bool writeAll(int fd, const char* data, std::size_t length, off_t offset) {
    while (length > 0) {
        ssize_t n = ::pwrite(fd, data, length, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        offset += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// For a file the player does not own, or one with other names: the same file
// keeps its owner, group, mode and links. Room for the new text is made first
// (so a size limit or a full disk stops the save before a byte changes), the
// text is written over the old one with a non-digit after it, and only then is
// the file cut to length: at every moment it reads as the old or the new value.
bool writeInPlace(const std::string& path, const struct stat& seen, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == seen.st_dev && st.st_ino == seen.st_ino;
    auto length = static_cast<off_t>(text.size());
    std::string written = st.st_size > length ? text + ' ' : text;
    ok = ok && (st.st_size >= length || ::posix_fallocate(fd, 0, length) == 0) &&
         writeAll(fd, written.data(), written.size(), 0) && ::ftruncate(fd, length) == 0 && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// A name beside `path` for the temporary, made by `make` (which fails with
// EEXIST when the name is taken).
template <typename Make> bool nameTemporary(const std::string& path, std::string& temp, Make make) {
    static unsigned counter;
    for (int tries = 0; tries < 100; tries++) {
        temp = path + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        if (make(temp.c_str()))
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// The extended attributes of the file at `path`, or of `fd` when there is no
// path: an ACL is one of them. False when they cannot all be read.
bool readAttributes(const char* path, int fd, std::map<std::string, std::string>& out) {
    char names[4096], value[4096];
    ssize_t n = path ? ::llistxattr(path, names, sizeof names) : ::flistxattr(fd, names, sizeof names);
    if (n < 0)
        return errno == ENOTSUP;  // a file system that keeps none
    for (const char* name = names; name < names + n; name += std::strlen(name) + 1) {
        ssize_t m = path ? ::lgetxattr(path, name, value, sizeof value) : ::fgetxattr(fd, name, value, sizeof value);
        if (m < 0)
            return false;
        out[name].assign(value, static_cast<std::size_t>(m));
    }
    return true;
}

// A replacement must not differ from the file it replaces: it takes that
// file's group and mode (its owner is the player, as before), and it must
// come out with the same ACL and extended attributes, which a new file does
// not inherit.
bool becomeLike(int fd, const std::string& path, const struct stat& old) {
    struct stat st {};
    std::map<std::string, std::string> was, is;
    return ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0 && ::fchmod(fd, old.st_mode & 07777) == 0 &&
           ::fstat(fd, &st) == 0 && st.st_gid == old.st_gid && (st.st_mode & 07777) == (old.st_mode & 07777) &&
           readAttributes(path.c_str(), -1, was) && readAttributes(nullptr, fd, is) && was == is;
}

// A new file gets the player's usual mode (0666 less the umask, applied by
// open); a replaced one its predecessor's group and mode, or it is not made.
bool replace(const std::string& path, const struct stat* old, const std::string& text, int folderFd) {
    // Every signal that can wait does, until the temporary has gone one way or
    // the other, so none is left behind.
    sigset_t held, saved;
    sigfillset(&held);
    pthread_sigmask(SIG_BLOCK, &held, &saved);

    // Unnamed until it is complete, where the file system allows (and /proc
    // is there to give it a name).
    std::string temp;
    bool named = false;
    int fd = ::access("/proc/self/fd", F_OK) == 0
                 ? ::open(folderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)
                 : -1;
    if (fd < 0)
        named = nameTemporary(path, temp, [&fd](const char* name) {
            return (fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666)) >= 0;
        });
    bool ok = fd >= 0 && (!old || becomeLike(fd, path, *old)) && writeAll(fd, text.data(), text.size(), 0) &&
              ::fsync(fd) == 0;
    if (ok && !named) {
        std::string self = "/proc/self/fd/" + std::to_string(fd);
        ok = named = nameTemporary(path, temp, [&self](const char* name) {
            return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0;
        });
    }
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok && named)
        ::unlink(temp.c_str());
    if (fd >= 0)
        ::close(fd);
    if (ok && folderFd >= 0)
        ::fsync(folderFd);  // the rename itself reaches the disk
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    return ok;
}

// A save holds the folder's lock for milliseconds, but anyone who can read
// the folder can take the lock and keep it: past the wait, the game saves
// without it rather than freeze.
bool lockFolder(int folderFd, int waitMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (::flock(folderFd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= end)
            return false;
        ::usleep(5000);
    }
    return true;
}

// A game killed between naming its temporary and the rename leaves it behind.
// Under the lock no other save of this folder is between those steps, so the
// player's own temporaries of games no longer running can go (a name with
// this game's number is an earlier game's).
void removeLeftovers(const std::string& path, int folderFd) {
    std::string prefix = path.substr(path.rfind('/') + 1) + ".";
    int fd = ::dup(folderFd);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0)
            continue;
        const char* number = name + prefix.size();  // <pid>-<n>, digits only
        std::size_t digits = std::strspn(number, "0123456789");
        const char* count = number + digits + 1;
        if (digits == 0 || digits > 9 || number[digits] != '-' || !*count ||
            std::strspn(count, "0123456789") != std::strlen(count))
            continue;
        long pid = std::strtol(number, nullptr, 10);
        struct stat st {};
        bool gone = pid == ::getpid() || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
        if (gone && ::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            ::unlinkat(folderFd, name, 0);
    }
    ::closedir(dir);
}

bool store(const std::string& path, std::int32_t value, int folderFd) {
    struct stat st {};
    bool exists = ::lstat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists && (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0))
        return false;
    // Another game may have stored a higher score since this one started.
    if (std::optional<std::int32_t> stored = exists ? readResolved(path) : std::nullopt)
        value = std::max(value, *stored);
    std::string text = std::to_string(value);
    bool mine = exists && st.st_uid == ::geteuid() && st.st_nlink == 1;
    if (!exists || mine)
        return replace(path, exists ? &st : nullptr, text, folderFd) || (exists && writeInPlace(path, st, text));
    return writeInPlace(path, st, text);
}

}  // namespace

std::optional<std::int32_t> readBestScoreFile(const char* path) {
    std::string resolved = path;
    return resolveLinks(resolved) ? readResolved(resolved) : std::nullopt;
}

bool writeBestScoreFile(const char* path, std::int32_t value, int lockWaitMs) {
    // Past a file-size limit a write then fails like any other, instead of
    // killing the game.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string resolved = path;
    if (!resolveLinks(resolved))
        return false;
    // Other games saving in this folder wait here, for a while; the lock goes
    // with the close.
    int folderFd = ::open(folderOf(resolved).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0 && lockFolder(folderFd, lockWaitMs))
        removeLeftovers(resolved, folderFd);
    bool ok = store(resolved, value, folderFd);
    if (folderFd >= 0)
        ::close(folderFd);
    return ok;
}
