// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessConversion.h"

#include "AccessHeader.h"
#include "AccessStream.h"
#include "platform/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <SQLiteCpp/SQLiteCpp.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

static void initSchemaResource() {
    Q_INIT_RESOURCE(schema);
}

namespace AccessConversion {
namespace {
// A reader that sends nothing for this long is taken to hang.
int timeLimitMs = 15000;
int failingStep = 0;
QString readerForTesting;
ReaderCounts counts;
constexpr std::size_t maxStreamBytes = std::size_t(1) << 31;
const char* const readerName = "quillary-access-reader";

QString quoted(const QString& fileName) {
    return QLatin1Char('"') + fileName + QLatin1Char('"');
}

[[noreturn]] void damaged(const QString& path) {
    throw Refused(Refused::Reason::Damaged,
                  quoted(QFileInfo(path).fileName()) +
                      QStringLiteral(" is an Access database that cannot be read: it is damaged "
                                     "or incomplete.\r\nNothing was changed."));
}

[[noreturn]] void notWritable(const QString& path, int error) {
    const QFileInfo info(path);
    if (error == ENOSPC || error == EDQUOT)
        throw Refused(
            Refused::Reason::NotWritable,
            QStringLiteral("The Access list %1 cannot be converted: the disk is full "
                           "(the folder %2 has no room for the converted list).\r\n"
                           "Nothing was changed. Make room on the disk and open the "
                           "list again.")
                .arg(quoted(info.fileName()), QDir::toNativeSeparators(info.absolutePath())));
    throw Refused(Refused::Reason::NotWritable,
                  QStringLiteral("The Access list %1 cannot be converted: the folder %2 cannot "
                                 "be written (%3).\r\nNothing was changed.")
                      .arg(quoted(info.fileName()), QDir::toNativeSeparators(info.absolutePath()),
                           QString::fromLocal8Bit(std::strerror(error))));
}

QString readerPath() {
    if (!readerForTesting.isEmpty())
        return readerForTesting;
    const QString own = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        own + QLatin1Char('/') + QLatin1String(readerName),
        own + QStringLiteral("/" QUILLARY_READER_INSTALL_DIR "/") + QLatin1String(readerName),
        QStringLiteral(QUILLARY_READER_BUILD_DIR "/") + QLatin1String(readerName)};
    for (const QString& c : candidates)
        if (QFileInfo(c).isExecutable())
            return c;
    return candidates.first();
}

// Takes the reader's stream apart as it arrives.
class StreamParser {
public:
    explicit StreamParser(Table& table) : table_(table) {}
    bool done() const { return state_ == State::Done; }
    bool failed() const { return state_ == State::Failed; }
    qint64 expectedRows() const { return expected_; }

    void feed(const QByteArray& bytes) {
        buffer_.append(bytes);
        while (state_ != State::Done && state_ != State::Failed && step()) {
        }
        if (at_ > (1 << 20)) {
            buffer_.remove(0, qsizetype(at_));
            at_ = 0;
        }
    }

private:
    enum class State { Magic, Tables, TableOrNot, Rows, Done, Failed };

    // Parses one message; false when more input is needed (or it failed).
    bool step() {
        AccessStream::Cursor c(buffer_.constData() + at_, std::size_t(buffer_.size()) - at_);
        char tag = 0;
        switch (state_) {
        case State::Magic: {
            const std::size_t n = sizeof AccessStream::magic - 1;
            if (buffer_.size() - qsizetype(at_) < qsizetype(n))
                return false;
            if (std::memcmp(buffer_.constData() + at_, AccessStream::magic, n) != 0)
                return fail();
            at_ += n;
            state_ = State::Tables;
            return true;
        }
        case State::Tables: {
            std::uint32_t n = 0;
            if (!c.u8(tag))
                return false;
            if (tag != AccessStream::Tables)
                return fail();
            if (!c.u32(n))
                return false;
            if (n > 4096)
                return fail();
            std::vector<std::string> names(n);
            for (auto& name : names)
                if (!c.text(name))
                    return false;
            table_.tables = std::move(names);
            state_ = State::TableOrNot;
            break;
        }
        case State::TableOrNot: {
            if (!c.u8(tag))
                return false;
            if (tag == AccessStream::NoTable) {
                state_ = State::Done;
                break;
            }
            std::uint32_t n = 0, rows = 0;
            if (tag != AccessStream::Columns)
                return fail();
            if (!c.u32(n))
                return false;
            if (n == 0 || n > 1024)
                return fail();
            std::vector<std::string> names(n);
            for (auto& name : names)
                if (!c.text(name))
                    return false;
            if (!c.u32(rows))
                return false;
            table_.found = true;
            table_.columns = std::move(names);
            expected_ = rows;
            state_ = State::Rows;
            break;
        }
        case State::Rows: {
            if (!c.u8(tag))
                return false;
            if (tag == AccessStream::End) {
                std::uint32_t rows = 0;
                if (!c.u32(rows))
                    return false;
                if (rows != table_.rowCount())
                    return fail();
                state_ = State::Done;
                break;
            }
            if (tag != AccessStream::Row)
                return fail();
            std::vector<std::optional<std::string>> row(table_.columns.size());
            for (auto& field : row) {
                char present = 0;
                if (!c.u8(present))
                    return false;
                if (present == 0)
                    continue;
                if (present != 1)
                    return fail();
                std::string text;
                if (!c.text(text))
                    return false;
                field = std::move(text);
            }
            for (auto& field : row)
                table_.cells.push_back(std::move(field));
            break;
        }
        case State::Done:
        case State::Failed:
            return false;
        }
        at_ += c.used();
        return true;
    }
    bool fail() {
        state_ = State::Failed;
        return false;
    }

    Table& table_;
    QByteArray buffer_;
    std::size_t at_ = 0;
    State state_ = State::Magic;
    qint64 expected_ = 0;
};

// A new file written beside the Access file at path under a hidden name;
// removed unless it was put in place.
class NewList {
public:
    explicit NewList(const QString& path) {
        QByteArray pattern = QFile::encodeName(QFileInfo(path).absolutePath() +
                                               QStringLiteral("/.quillary-access-XXXXXX"));
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0)
            notWritable(path, errno);
        ::fchmod(fd_, defaultMode());
        // Held while the program lives: a file nobody holds was left by a
        // program that ended before it was put in place.
        ::flock(fd_, LOCK_EX | LOCK_NB);
        path_ = pattern;
    }
    ~NewList() {
        if (!placed_)
            ::unlink(path_.constData());
        ::close(fd_);
    }
    NewList(const NewList&) = delete;
    NewList& operator=(const NewList&) = delete;
    QString path() const { return QFile::decodeName(path_); }
    const QByteArray& nativePath() const { return path_; }
    void placed() { placed_ = true; }
    // Flushes what was written under the name to the disk; throws errno.
    void sync() const {
        if (::fsync(fd_) != 0)
            throw errno;
    }
    // Writes the whole file at from into the held file; throws errno.
    void copyFrom(const QString& from) const {
        QFile in(from);
        QFile out;
        if (!in.open(QIODevice::ReadOnly) ||
            !out.open(fd_, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
            throw EIO;
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(1 << 20);
            if (chunk.isEmpty() || out.write(chunk) != chunk.size())
                throw EIO;
        }
        if (!out.flush())
            throw EIO;
    }

private:
    static mode_t defaultMode() {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }
    QByteArray path_;
    int fd_ = -1;
    bool placed_ = false;
};

int noCase(void*, int la, const void* a, int lb, const void* b) {
    return compareNoCase(static_cast<const char*>(a), la, static_cast<const char*>(b), lb);
}

QString schemaFor(const QString& table) {
    initSchemaResource();
    QFile file(table.compare(QLatin1String("TelephoneAreas"), Qt::CaseInsensitive) == 0
                   ? QStringLiteral(":/schema/areacodes.sql")
                   : QStringLiteral(":/schema/template.sql"));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

std::string quotedName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

// Writes the table into the new list file: the program's own table with the
// columns it knows (matched without regard to case) and the others as text.
void writeList(const QString& path, const QString& tableName, const Table& t,
               const std::function<void(qint64, qint64)>& progress) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    sqlite3_create_collation_v2(db.getHandle(), "NOCASE", SQLITE_UTF8, nullptr, noCase, nullptr);
    db.exec("PRAGMA journal_mode=OFF");
    db.exec("PRAGMA synchronous=OFF");
    SQLite::Transaction tx(db);
    db.exec(schemaFor(tableName).toStdString());
    std::string target;
    {
        SQLite::Statement q(db, "SELECT name FROM sqlite_master WHERE type='table'");
        if (q.executeStep())
            target = q.getColumn(0).getString();
    }
    std::vector<std::string> known;
    {
        SQLite::Statement q(db, "SELECT name FROM pragma_table_info(?)");
        q.bind(1, target);
        while (q.executeStep())
            known.push_back(q.getColumn(0).getString());
    }
    std::string names, marks;
    for (const std::string& column : t.columns) {
        const QString wanted = QString::fromStdString(column);
        const auto match = std::find_if(known.begin(), known.end(), [&](const std::string& k) {
            return QString::fromStdString(k).compare(wanted, Qt::CaseInsensitive) == 0;
        });
        const std::string name = match == known.end() ? column : *match;
        if (match == known.end()) {
            db.exec("ALTER TABLE " + quotedName(target) + " ADD COLUMN " + quotedName(column) +
                    " TEXT");
            known.push_back(column);
        }
        names += (names.empty() ? "" : ",") + quotedName(name);
        marks += marks.empty() ? "?" : ",?";
    }
    SQLite::Statement insert(db, "INSERT INTO " + quotedName(target) + " (" + names + ") VALUES (" +
                                     marks + ")");
    const std::size_t width = t.columns.size();
    const qint64 rows = qint64(t.rowCount());
    for (qint64 r = 0; r < rows; ++r) {
        if (failingStep == 2 && r == rows / 2)
            throw SQLite::Exception("disk I/O error", SQLITE_IOERR);
        for (std::size_t c = 0; c < width; ++c) {
            const auto& field = t.cells[std::size_t(r) * width + c];
            if (field)
                insert.bind(int(c) + 1, *field);
            else
                insert.bind(int(c) + 1);
        }
        insert.exec();
        insert.reset();
        if (progress && r % 256 == 0)
            progress(rows + r, 2 * rows);
    }
    tx.commit();
}

void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The name the original of fileName is kept under; taken names are skipped.
QString keptName(const QString& folder, const QString& fileName) {
    const QString base = fileName + QStringLiteral(".access-original");
    QString name = base;
    for (int n = 2; QFileInfo::exists(folder + QLatin1Char('/') + name) ||
                    QFileInfo(folder + QLatin1Char('/') + name).isSymLink();
         ++n)
        name = base + QLatin1Char('-') + QString::number(n);
    return name;
}

// Keeps the original under a new name without copying it (a second link to
// the same file), or, where the file system has no links, as a copy that is
// complete before it takes its name. A taken name is never overwritten.
QString keepOriginal(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString kept = keptName(folder, info.fileName());
        const QByteArray target = QFile::encodeName(folder + QLatin1Char('/') + kept);
        if (::link(QFile::encodeName(path).constData(), target.constData()) == 0)
            return kept;
        if (errno == EEXIST)
            continue;
        if (errno != EPERM && errno != EXDEV && errno != EMLINK && errno != ENOTSUP)
            notWritable(path, errno);
        // No links here: a complete copy, held until it has its name (never
        // replacing one).
        NewList copy(path);
        try {
            copy.copyFrom(path);
            copy.sync();
        } catch (int e) {
            notWritable(path, e);
        }
        if (::renameat2(AT_FDCWD, copy.nativePath().constData(), AT_FDCWD, target.constData(),
                        RENAME_NOREPLACE) == 0) {
            copy.placed();
            return kept;
        }
        if (errno != EEXIST)
            notWritable(path, errno);
    }
    notWritable(path, EEXIST);
}
// New lists left half-written by a program that was killed while converting;
// one that another copy of the program is writing now is held by it.
void removeLeftovers(const QString& folder) {
    const QDir dir(folder);
    for (const QFileInfo& f : dir.entryInfoList({QStringLiteral(".quillary-access-??????")},
                                                QDir::Files | QDir::Hidden)) {
        const QByteArray name = QFile::encodeName(f.absoluteFilePath());
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(name.constData());
        ::close(fd);
    }
}
} // namespace

bool isAccessFile(const QString& path) {
    return AccessHeader::of(path).isAccess();
}

Table read(const QString& path, const QString& table,
           const std::function<void(qint64, qint64)>& progress) {
    Table t;
    StreamParser parser(t);
    QProcess reader;
    reader.setProgram(readerPath());
    reader.setArguments({path, table});
    // The reader's complaints about a damaged file mean nothing to the user;
    // QUILLARY_ACCESS_READER_LOG keeps them for whoever examines the reader.
    const QString log = qEnvironmentVariable("QUILLARY_ACCESS_READER_LOG");
    reader.setStandardErrorFile(log.isEmpty() ? QProcess::nullDevice() : log, QIODevice::Append);
    reader.setStandardInputFile(QProcess::nullDevice());
    // A reader whose program is gone ends at once, even one that started while
    // the program was being killed. (The signal comes when the thread that
    // started it ends: readers are started on the user-interface thread.)
    const pid_t program = ::getpid();
    reader.setChildProcessModifier([program] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != program)
            ::_exit(127);
    });
    ++counts.runs;
    reader.start();
    // A reader that cannot run says nothing about the file.
    if (!reader.waitForStarted(10000))
        throw Refused(Refused::Reason::NoReader,
                      QStringLiteral("The Access list %1 cannot be converted: its reader %2 could "
                                     "not be started (%3).\r\nNothing was changed.")
                          .arg(quoted(QFileInfo(path).fileName()),
                               QDir::toNativeSeparators(reader.program()), reader.errorString()));
    QElapsedTimer quiet;
    quiet.start();
    std::size_t received = 0;
    for (;;) {
        reader.waitForReadyRead(50);
        const QByteArray bytes = reader.readAllStandardOutput();
        if (!bytes.isEmpty())
            quiet.restart();
        received += std::size_t(bytes.size());
        parser.feed(bytes);
        if (progress && parser.expectedRows() > 0)
            progress(qint64(t.rowCount()), 2 * parser.expectedRows());
        if (parser.failed() || received > maxStreamBytes)
            break;
        if (reader.state() == QProcess::NotRunning) {
            parser.feed(reader.readAllStandardOutput());
            break;
        }
        if (quiet.elapsed() > timeLimitMs) {
            ++counts.timeouts;
            break;
        }
    }
    if (reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished(5000);
        damaged(path);
    }
    if (reader.exitStatus() != QProcess::NormalExit)
        ++counts.crashes;
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0 || !parser.done())
        damaged(path);
    return t;
}

namespace {
// The user's way to bring an encrypted list over.
Refused encryptedRefusal(const QString& fileName) {
    return Refused(
        Refused::Reason::Encrypted,
        quoted(fileName) +
            QStringLiteral(" is an encrypted Access database, which cannot be read here.\r\n"
                           "To bring it over, open it in Microsoft Access with its password (File, "
                           "Open, \"Open Exclusive\"), remove the password (Access 2007 and later: "
                           "File, Info, \"Decrypt Database\"; Access 2003 and earlier: Tools, "
                           "Security, \"Unset Database Password\"; an encoded Access 97 or 2000 "
                           "database: Tools, Security, \"Encode/Decode Database\"), and copy the "
                           "file here again.\r\nNothing was changed."));
}

// Asks for the list's password until it is given right; no answer refuses.
void requirePassword(const QString& fileName, const QString& password, const Hooks& hooks) {
    for (bool again = false;; again = true) {
        const std::optional<QString> given =
            hooks.password ? hooks.password(fileName, again) : std::nullopt;
        if (!given)
            throw Refused(Refused::Reason::NoPassword, QString());
        if (*given == password)
            return;
    }
}

// Refuses a file that cannot be read or a folder the new list cannot be written to.
void requireConvertible(const QString& path, const AccessHeader& header, const Hooks& hooks) {
    const QFileInfo info(path);
    if (header.encrypted)
        throw encryptedRefusal(info.fileName());
    if (!header.password.isEmpty())
        requirePassword(info.fileName(), header.password, hooks);
    // A file cut short of a whole page has lost its end.
    if (info.size() % (header.format == AccessHeader::Format::Jet3 ? 2048 : 4096) != 0)
        damaged(path);
    if (::access(QFile::encodeName(info.absolutePath()).constData(), W_OK) != 0)
        notWritable(path, errno);
}

// Writes the table into the new list and flushes it to the disk.
void writeNewList(const NewList& list, const QString& path, const QString& table, const Table& t,
                  const std::function<void(qint64, qint64)>& progress) {
    try {
        if (failingStep == 1)
            throw SQLite::Exception("disk I/O error", SQLITE_IOERR);
        writeList(list.path(), table, t, progress);
        list.sync();
    } catch (const SQLite::Exception& e) {
        notWritable(path, e.getErrorCode() == SQLITE_FULL ? ENOSPC : EIO);
    } catch (int e) {
        notWritable(path, e);
    }
    if (failingStep == 3)
        notWritable(path, EIO);
}

// Keeps the original and puts the new list in its place. Returns the name the
// original is kept under.
QString putInPlace(NewList& list, const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    const QString keptAs = keepOriginal(path);
    const QByteArray keptPath = QFile::encodeName(folder + QLatin1Char('/') + keptAs);
    if (failingStep == 4 ||
        ::rename(list.nativePath().constData(), QFile::encodeName(path).constData()) != 0) {
        const int e = failingStep == 4 ? EIO : errno;
        ::unlink(keptPath.constData());
        notWritable(path, e);
    }
    list.placed();
    syncFolder(folder);
    return keptAs;
}
} // namespace

Converted convert(const QString& path, const QString& table, const Hooks& hooks) {
    requireConvertible(path, AccessHeader::of(path), hooks);
    removeLeftovers(QFileInfo(path).absolutePath());
    const Table t = read(path, table, hooks.progress);
    if (!t.found)
        throw Refused(Refused::Reason::NotAList, quoted(QFileInfo(path).fileName()) +
                                                     QStringLiteral(" is not a phonebook list."));
    NewList list(path);
    writeNewList(list, path, table, t, hooks.progress);
    Converted done;
    done.keptAs = putInPlace(list, path);
    done.rows = qint64(t.rowCount());
    for (const std::string& name : t.tables)
        if (QString::fromStdString(name).compare(table, Qt::CaseInsensitive) != 0)
            done.otherTables << QString::fromStdString(name);
    return done;
}

void setTimeLimitMs(int ms) {
    timeLimitMs = ms;
}

void setReaderForTesting(const QString& path) {
    readerForTesting = path;
}

void failAtStep(int step) {
    failingStep = step;
}

ReaderCounts readerCounts() {
    return counts;
}
} // namespace AccessConversion
