#include "platform/sdl/JoystickScript.h"

#include <QSocketNotifier>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace corv
{

namespace
{

std::optional<uint32_t> number(const QString& text, uint32_t max)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 10);
    if (!ok || text.startsWith(u'+') || value > max)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

// A word of the input as a message may quote it: short, and without control
// characters that would reach the terminal.
QString shown(const QString& word)
{
    constexpr qsizetype kMax = 24;
    QString text = word.left(kMax);
    for (QChar& c : text) {
        if (!c.isPrint())
            c = u'?';
    }
    return word.size() > kMax ? text + QStringLiteral("...") : text;
}

// "axis K VALUE" or "axis K rest".
std::optional<ScriptCommand> parseAxis(const QStringList& words, QString* error)
{
    if (words.size() != 3) {
        *error = words.size() < 3 ? QStringLiteral("'axis' needs an axis and a value")
                                  : QStringLiteral("too many words");
        return std::nullopt;
    }
    const auto axis = number(words.at(1), ScriptCommand::Axes);
    if (!axis || *axis == 0) {
        *error = QStringLiteral("axis must be 1 to %1, not '%2'")
                     .arg(ScriptCommand::Axes)
                     .arg(shown(words.at(1)));
        return std::nullopt;
    }
    const QString& arg = words.at(2);
    if (arg.compare(u"rest", Qt::CaseInsensitive) == 0)
        return ScriptCommand{ScriptCommand::Axis, *axis, 0, true};
    bool ok = false;
    const int value = arg.toInt(&ok, 10);
    if (!ok || arg.startsWith(u'+') || value < -32768 || value > 32767) {
        *error =
            QStringLiteral("axis value must be -32768 to 32767 or rest, not '%1'").arg(shown(arg));
        return std::nullopt;
    }
    return ScriptCommand{ScriptCommand::Axis, *axis, value};
}

} // namespace

JoystickScript::JoystickScript(QObject* parent) : QObject(parent) {}

JoystickScript::~JoystickScript()
{
    finish();
}

std::optional<ScriptCommand> JoystickScript::parseLine(const QString& line, QString* error)
{
    error->clear();
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(u'#'))
        return std::nullopt;
    // Words may be separated by tabs as well as blanks. No regular
    // expression: compiling one would cost the player memory for good.
    const QStringList words = text.simplified().split(u' ', Qt::SkipEmptyParts);
    const QString verb = words.first().toLower();
    if (verb == u"unplug" || verb == u"plug") {
        if (words.size() != 1) {
            *error = QStringLiteral("'%1' takes no value").arg(verb);
            return std::nullopt;
        }
        return ScriptCommand{verb == u"unplug" ? ScriptCommand::Unplug : ScriptCommand::Plug, 0};
    }
    if (verb == u"axis")
        return parseAxis(words, error);
    if (words.size() != 2) {
        *error = words.size() == 1 ? QStringLiteral("'%1' needs a value").arg(shown(verb))
                                   : QStringLiteral("too many words");
        return std::nullopt;
    }
    const QString arg = words.at(1);
    if (verb == u"press" || verb == u"release") {
        const auto n = number(arg, 32);
        if (!n || *n == 0) {
            *error = QStringLiteral("button must be 1 to 32, not '%1'").arg(shown(arg));
            return std::nullopt;
        }
        return ScriptCommand{verb == u"press" ? ScriptCommand::Press : ScriptCommand::Release, *n};
    }
    if (verb == u"buttons") {
        const auto mask = number(arg, 0xFFFFFFFFu);
        if (!mask) {
            *error = QStringLiteral("mask must be a decimal number below 2^32, not '%1'")
                         .arg(shown(arg));
            return std::nullopt;
        }
        return ScriptCommand{ScriptCommand::Buttons, *mask};
    }
    if (verb == u"hat") {
        if (arg.compare(u"centre", Qt::CaseInsensitive) == 0 ||
            arg.compare(u"center", Qt::CaseInsensitive) == 0)
            return ScriptCommand{ScriptCommand::Hat, 65535};
        const auto angle = number(arg, 31500);
        if (!angle || *angle % 4500 != 0) {
            *error =
                QStringLiteral("hat takes 0, 4500, ... 31500 or centre, not '%1'").arg(shown(arg));
            return std::nullopt;
        }
        return ScriptCommand{ScriptCommand::Hat, *angle};
    }
    if (verb == u"wait") {
        const auto ms = number(arg, 24u * 3600 * 1000);
        if (!ms) {
            *error = QStringLiteral("wait takes milliseconds, not '%1'").arg(shown(arg));
            return std::nullopt;
        }
        return ScriptCommand{ScriptCommand::Wait, *ms};
    }
    *error = QStringLiteral("unknown command '%1'").arg(shown(verb));
    return std::nullopt;
}

bool JoystickScript::open(const QString& path, QString* error)
{
    finish();
    if (path == u"-") {
        fd_ = STDIN_FILENO;
        ownsFd_ = false;
    } else {
        const QByteArray native = path.toLocal8Bit();
        struct stat st {
        };
        if (::stat(native.constData(), &st) != 0) {
            *error =
                QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        // A directory opens, then fails every read: the joystick would
        // never move.
        if (S_ISDIR(st.st_mode)) {
            *error =
                QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(EISDIR)));
            return false;
        }
        // A named pipe is opened for writing too, so it never reports end of
        // input: one writer after another can drive the joystick.
        const int flags = S_ISFIFO(st.st_mode) ? O_RDWR : O_RDONLY;
        fd_ = ::open(native.constData(), flags | O_CLOEXEC);
        if (fd_ < 0) {
            *error =
                QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        ownsFd_ = true;
    }
    lineNumber_ = 0;
    badLines_ = 0;
    partial_.clear();
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &JoystickScript::readSome);
    return true;
}

void JoystickScript::readSome()
{
    // One read per notification never blocks, whatever kind of file it is.
    char buffer[4096];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    const size_t before = pending_.size();
    if (n <= 0) {
        if (n < 0)
            qWarning("virtual joystick: read error: %s", std::strerror(errno));
        if (!partial_.isEmpty())
            takeLine(std::exchange(partial_, {}));
        finish();
    } else {
        partial_.append(buffer, n);
        qsizetype start = 0;
        for (qsizetype nl = partial_.indexOf('\n'); nl >= 0; nl = partial_.indexOf('\n', start)) {
            takeLine(partial_.mid(start, nl - start));
            start = nl + 1;
        }
        partial_.remove(0, start);
        if (partial_.size() > 1024) // no command is this long; do not hoard it
            takeLine(std::exchange(partial_, {}));
    }
    if (notifier_ && pending_.size() >= MaxPending)
        notifier_->setEnabled(false);
    if (pending_.size() != before)
        emit commandsArrived();
}

ScriptCommand JoystickScript::takeNext()
{
    const ScriptCommand command = pending_.front();
    pending_.pop_front();
    if (notifier_ && !notifier_->isEnabled() && pending_.size() <= MaxPending / 2)
        notifier_->setEnabled(true);
    return command;
}

void JoystickScript::takeLine(const QByteArray& line)
{
    ++lineNumber_;
    QString error;
    const auto command = parseLine(QString::fromUtf8(line), &error);
    if (command)
        pending_.push_back(*command);
    else if (!error.isEmpty() && ++badLines_ <= MaxWarnings)
        qWarning("virtual joystick: line %lld: %s", static_cast<long long>(lineNumber_),
                 qPrintable(error));
}

void JoystickScript::finish()
{
    if (badLines_ > MaxWarnings)
        qWarning("virtual joystick: %lld more bad lines skipped", badLines_ - MaxWarnings);
    badLines_ = 0;
    delete notifier_;
    notifier_ = nullptr;
    if (ownsFd_ && fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

} // namespace corv
