#include "toolkit/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr std::size_t ChunkSize = 64 * 1024;

// The reasons an operator meets in Russian, as the rest of the window; the
// C library's own text (English without a Russian locale) for the others.
std::string SystemText(int err) {
    switch (err) {
    case ENOENT:
        return "нет такого файла или папки";
    case EACCES:
    case EPERM:
        return "нет доступа";
    case EROFS:
        return "диск доступен только для чтения";
    case ENOSPC:
    case EDQUOT:
        return "на диске нет места";
    case EISDIR:
        return "это папка, а не файл";
    case ENOTDIR:
        return "в пути есть файл вместо папки";
    case ENAMETOOLONG:
        return "слишком длинное имя";
    case EIO:
        return "ошибка ввода-вывода";
    default:
        return std::strerror(err);
    }
}

[[noreturn]] void FailWrite(const std::string& fileName, int err) {
    throw EFileError(fileName, "Не удалось записать файл \"" + fileName + "\": " + SystemText(err));
}

[[noreturn]] void FailReadOnly(const std::string& fileName) {
    throw EFileError(fileName,
                     "Не удалось записать файл \"" + fileName + "\": файл защищён от записи");
}

// The replacement needs only the folder to be writable, so on its own it
// would go round a file the user has protected. Root passes every access
// check: a file without a single write bit counts as protected for root too.
void CheckFileWritable(const std::string& fileName, const std::string& target,
                       const struct stat& st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        FailReadOnly(fileName);
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM)
            FailReadOnly(fileName);
        FailWrite(fileName, err);
    }
}

// The file a name refers to: a symbolic link is followed, so that replacing
// the file keeps the link.
std::string ResolveTarget(const std::string& fileName) {
    struct stat st {};
    if (lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (realpath(fileName.c_str(), buf))
            return buf;
    }
    return fileName;
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of('/');
    if (cut == std::string::npos)
        return ".";
    if (cut == 0)
        return "/";
    return path.substr(0, cut);
}

int Inject(const TFileFaultHook& fault, TFileWriteStep step) {
    return fault ? fault(step) : 0;
}

class TTempFile {
public:
    explicit TTempFile(std::string path) : FPath(std::move(path)) {}
    ~TTempFile() {
        if (FFd >= 0)
            close(FFd);
        if (!FPath.empty())
            unlink(FPath.c_str());
    }
    int& Fd() { return FFd; }
    std::string& Path() { return FPath; }
    void Release() { FPath.clear(); }

private:
    std::string FPath;
    int FFd = -1;
};
} // namespace

TFileRead ReadFileBytes(const std::string& fileName, std::size_t maxBytes) {
    TFileRead r;
    const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        r.Status = errno == ENOENT ? TFileRead::Missing : TFileRead::Failed;
        r.Error = SystemText(errno);
        return r;
    }
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        r.Status = TFileRead::Failed;
        r.Error = SystemText(EISDIR);
        return r;
    }
    r.Status = TFileRead::Ok;
    char buf[ChunkSize];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            r.Status = TFileRead::Failed;
            r.Error = SystemText(errno);
            break;
        }
        if (n == 0)
            break;
        const size_t room = maxBytes - r.Bytes.size();
        if (static_cast<size_t>(n) > room) {
            r.Bytes.append(buf, room);
            r.Truncated = true;
            break;
        }
        r.Bytes.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return r;
}

namespace {

// Every byte, in chunks, each a point a test may fail.
void WriteWhole(int fd, std::string_view bytes, const std::string& fileName,
                const TFileFaultHook& fault) {
    size_t done = 0;
    while (done < bytes.size()) {
        if (int err = Inject(fault, TFileWriteStep::Write))
            FailWrite(fileName, err);
        const size_t want = std::min(ChunkSize, bytes.size() - done);
        const ssize_t n = write(fd, bytes.data() + done, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            FailWrite(fileName, errno);
        }
        done += static_cast<size_t>(n);
    }
}

} // namespace

void ReplaceFileContentsWith(const std::string& fileName,
                             const std::function<void(const TFileWrite& Write)>& produce,
                             const TFileFaultHook& fault) {
    const std::string target = ResolveTarget(fileName);
    const std::string folder = FolderOf(target);
    const std::string base = target.substr(target.find_last_of('/') + 1);

    // A new file is made by mkostemp: readable and writable by its owner
    // alone, less what the umask takes away. A file replaced keeps its mode.
    std::optional<mode_t> mode;
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            FailWrite(fileName, EISDIR);
        CheckFileWritable(fileName, target, st);
        mode = st.st_mode & 07777;
    }

    TTempFile tmp(folder + "/." + base + ".XXXXXX");
    if (int err = Inject(fault, TFileWriteStep::Create)) {
        tmp.Release();
        FailWrite(fileName, err);
    }
    tmp.Fd() = mkostemp(tmp.Path().data(), O_CLOEXEC);
    if (tmp.Fd() < 0) {
        const int err = errno;
        tmp.Release();
        FailWrite(fileName, err);
    }
    if (mode && fchmod(tmp.Fd(), *mode) != 0)
        FailWrite(fileName, errno);

    produce([&](std::string_view piece) { WriteWhole(tmp.Fd(), piece, fileName, fault); });

    if (int err = Inject(fault, TFileWriteStep::Sync))
        FailWrite(fileName, err);
    if (fsync(tmp.Fd()) != 0)
        FailWrite(fileName, errno);
    const int fd = tmp.Fd();
    tmp.Fd() = -1;
    if (close(fd) != 0)
        FailWrite(fileName, errno);

    if (int err = Inject(fault, TFileWriteStep::Rename))
        FailWrite(fileName, err);
    if (rename(tmp.Path().c_str(), target.c_str()) != 0)
        FailWrite(fileName, errno);
    tmp.Release();

    // The rename is only durable once the folder entry is on the disk. The new
    // contents are already in place, so a failure here is not reported.
    const int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
}

bool CreatePrivateFile(const std::string& fileName) {
    const int fd = open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

void AppendFileLine(const std::string& fileName, std::string_view line,
                    const TFileFaultHook& fault) {
    if (int err = Inject(fault, TFileWriteStep::Create))
        FailWrite(fileName, err);
    const int fd =
        open(fileName.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        FailWrite(fileName, errno);
    struct TCloser {
        int Fd;
        ~TCloser() { close(Fd); } // also lets the lock go
    } closer{fd};
    struct stat st {};
    if (fstat(fd, &st) != 0)
        FailWrite(fileName, errno);
    if (S_ISDIR(st.st_mode))
        FailWrite(fileName, EISDIR);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        FailReadOnly(fileName);
    // Where the lock cannot be had (a network folder without locks) the line
    // is still appended: each write goes to the end.
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    // The size under the lock: another program may have appended meanwhile.
    if (fstat(fd, &st) != 0)
        FailWrite(fileName, errno);
    std::string bytes;
    bytes.reserve(line.size() + 2);
    char last = '\n';
    if (st.st_size > 0 && pread(fd, &last, 1, st.st_size - 1) != 1)
        last = 0; // not known: a line break too many is only an empty line
    if (last != '\n')
        bytes += '\n';
    bytes.append(line);
    bytes += '\n';
    WriteWhole(fd, bytes, fileName, fault);
    if (int err = Inject(fault, TFileWriteStep::Sync))
        FailWrite(fileName, err);
    if (fsync(fd) != 0)
        FailWrite(fileName, errno);
}
