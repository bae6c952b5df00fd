// Helping people: the real corvplay process as someone writing a template
// meets it: --watch, --list-keys and the manual, and what it says when it
// cannot start.
#include "RunProgram.h"
#include "runtime/KeyList.h"
#include "runtime/components/TSysHotKey.h"
#include "template/KeyTable.h"

#include <QTest>
#include <csignal>
#include <grp.h>
#include <memory>

#include "CorvplayWindows.h"

#include <X11/keysym.h>

using namespace corv::test;

namespace
{

// A dry run's line for a key, whatever follows the code and the direction.
bool typed(Corvplay& run, const QString& line)
{
    const QStringList lines = run.lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QString& l) { return l == line || l.startsWith(line + u' '); });
}

// A table cell of the manual: a code, or a key name in backticks.
QString cellText(QString cell)
{
    cell = cell.trimmed();
    if (cell.startsWith(QLatin1String("``")))
        return cell.mid(3, cell.size() - 6);
    if (cell.startsWith(u'`'))
        return cell.mid(1, cell.size() - 2);
    return cell;
}

// The cells of the tables under a heading of the manual, as pairs.
QList<std::pair<QString, QString>> manualTable(const QString& heading)
{
    const QStringList lines =
        QString::fromUtf8(readFile(sourceFile(QStringLiteral("docs/template-format.md"))))
            .split(u'\n');
    QList<std::pair<QString, QString>> pairs;
    for (qsizetype i = lines.indexOf(heading) + 1; i > 0 && i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("## ")))
            break;
        if (!lines[i].startsWith(u'|') || lines[i].contains(QLatin1String("---")) ||
            lines[i].contains(QLatin1String("| Code |")))
            continue;
        const QStringList cells = lines[i].split(u'|').mid(1);
        for (qsizetype c = 0; c + 1 < cells.size(); c += 2) {
            if (!cells[c].trimmed().isEmpty())
                pairs.append({cellText(cells[c]), cellText(cells[c + 1])});
        }
    }
    return pairs;
}

} // namespace

class TestCorvplayHelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void watchPrintsTheNumbersOfATemplate();
    void listKeysPrintsTheTables();
    void manualAgreesWithTheListing();
    void startupFailuresSayWhatToDo_data();
    void startupFailuresSayWhatToDo();
    void waylandWithoutPluginRunsWithoutWindow();
    void standardErrorHoldsWhatMatters_data();
    void standardErrorHoldsWhatMatters();
    void noNotificationAreaKeepsTheWindowToClick();

private:
    QList<std::pair<QString, QString>> listing(int section);
    Display* dpy_ = nullptr;
};

void TestCorvplayHelp::initTestCase()
{
    std::signal(SIGPIPE, SIG_IGN);
    // Windows of the player come and go while they are looked through.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    dpy_ = XOpenDisplay(nullptr);
    QVERIFY(QFile::exists(QStringLiteral(CORVPLAY_PATH)));
}

void TestCorvplayHelp::watchPrintsTheNumbersOfATemplate()
{
    Corvplay watch;
    watch.startWith(watch.playEnvironment(),
                    {QStringLiteral("--watch"), QStringLiteral("--joystick"), watch.spec()});
    QTRY_VERIFY_WITH_TIMEOUT(!watch.lines().isEmpty(), kTimeout);
    // Far apart enough for every change to meet a poll.
    QByteArray script = "press 1\nwait 300\nrelease 1\nwait 300\npress 3\nwait 300\nrelease 3\n"
                        "wait 300\npress 32\nwait 300\nrelease 32\nwait 300\npress 1\nwait 300\n"
                        "press 2\nwait 300\nbuttons 0\nwait 300\n";
    for (int angle = 0; angle < 36000; angle += 4500)
        script += "hat " + QByteArray::number(angle) + "\nwait 300\n";
    QVERIFY(watch.send(script + "hat centre\n"));
    const QStringList expected = {
        "Watching Corvane virtual joystick (32 buttons, 1 hat); Ctrl+C ends",
        "analog: ButtonId 257 (button 1)",
        "digital: ButtonId 1 (button 1)",
        "analog: ButtonId 1028 (button 3)",
        "digital: ButtonId 4 (button 3)",
        "digital: ButtonId -2147483648 (button 32)",
        "analog: ButtonId 257 (button 1)",
        "digital: ButtonId 1 (button 1)",
        "analog: ButtonId 515 (button 2, with button 1 held)",
        "digital: ButtonId 3 (buttons 1+2)",
        "digital: ButtonId 0 (hat forward)",
        "digital: ButtonId 4500 (hat forward-right)",
        "digital: ButtonId 9000 (hat right)",
        "digital: ButtonId 13500 (hat back-right)",
        "digital: ButtonId 18000 (hat back)",
        "digital: ButtonId 22500 (hat back-left)",
        "digital: ButtonId 27000 (hat left)",
        "digital: ButtonId 31500 (hat forward-left)"};
    // A press's message and the poll that sees it race each other, so the
    // two kinds of line are compared each in its own order.
    const auto analog = [](const QString& line) { return line.startsWith(u"analog: "); };
    const auto split = [&](const QStringList& lines) {
        QStringList words, ids;
        for (const QString& line : lines)
            (analog(line) ? words : ids) << line;
        return std::pair{words, ids};
    };
    QTRY_COMPARE_WITH_TIMEOUT(split(watch.lines()), split(expected), 3 * kTimeout);
    watch.process.terminate();
    QVERIFY(watch.process.waitForFinished(kTimeout));
    QCOMPARE(watch.process.exitCode(), 0);
}

// Section 0: (key name, code) rows; section 1: (code, name) rows.
QList<std::pair<QString, QString>> TestCorvplayHelp::listing(int section)
{
    const ProgramRun keys =
        runProgram(QStringLiteral(CORVPLAY_PATH), {QStringLiteral("--list-keys")});
    const QStringList lines = QString::fromUtf8(keys.out).split(u'\n');
    const qsizetype gap = lines.indexOf(QString());
    QList<std::pair<QString, QString>> rows;
    if (keys.exitCode != 0 || gap < 0)
        return rows;
    for (const QString& line : section == 0 ? lines.mid(1, gap - 1) : lines.mid(gap + 2)) {
        if (section == 0)
            rows.append({line.left(corv::KeyList::NameWidth),
                         line.mid(corv::KeyList::NameWidth, 3).trimmed()});
        else if (!line.isEmpty())
            rows.append({line.left(3).trimmed(), line.mid(5)});
    }
    return rows;
}

void TestCorvplayHelp::listKeysPrintsTheTables()
{
    const auto keys = listing(0);
    QCOMPARE(keys.size(), qsizetype(corv::KeyTable.size()));
    for (size_t row = 0; row < corv::KeyTable.size(); ++row) {
        QCOMPARE(keys[row].first.trimmed(),
                 QString::fromLatin1(corv::KeyTable[row].Name).trimmed());
        QCOMPARE(keys[row].second.toInt(), corv::KeyTable[row].Code);
    }
    const auto hotKeys = listing(1);
    QCOMPARE(hotKeys.size(), qsizetype(corv::TSysHotKey::KeyTableSize - 1));
    for (int i = 1; i < corv::TSysHotKey::KeyTableSize; ++i) {
        const int code = corv::TSysHotKey::HotKeyKeyTable[size_t(i)];
        QCOMPARE(hotKeys[i - 1].first.toInt(), code);
        const QString name = corv::KeyCodeToKeyName(QString::number(code));
        QVERIFY(!hotKeys[i - 1].second.isEmpty());
        if (!name.isEmpty())
            QCOMPARE(hotKeys[i - 1].second, name);
    }
}

void TestCorvplayHelp::manualAgreesWithTheListing()
{
    auto trimmedPairs = [](QList<std::pair<QString, QString>> pairs) {
        for (auto& [a, b] : pairs)
            a = a.trimmed(), b = b.trimmed();
        std::sort(pairs.begin(), pairs.end());
        return pairs;
    };
    QCOMPARE(trimmedPairs(manualTable(QStringLiteral("## Key codes"))), trimmedPairs(listing(0)));
    QCOMPARE(trimmedPairs(manualTable(QStringLiteral("## Switching modes"))),
             trimmedPairs(listing(1)));

    // The worked example is the example file, which --check --strict passes.
    const QString example = sourceFile(QStringLiteral("examples/flight.joy"));
    const QByteArray manual = readFile(sourceFile(QStringLiteral("docs/template-format.md")));
    QVERIFY(manual.contains("```ini\n" + readFile(example) + "```\n"));
    QCOMPARE(runProgram(QStringLiteral(CORVPLAY_PATH),
                        {QStringLiteral("--check"), QStringLiteral("--strict"), example})
                 .exitCode,
             0);
}

void TestCorvplayHelp::startupFailuresSayWhatToDo_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("env"); // NAME=value sets, NAME alone removes
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second"); // the start of a later line

    // New each time the rows are made (the function named twice makes them
    // twice), and kept until they have run.
    static std::unique_ptr<QTemporaryDir> rowFiles;
    rowFiles = std::make_unique<QTemporaryDir>();
    const QTemporaryDir& dir = *rowFiles;
    // Open to anybody, for the row that runs as an unprivileged user.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    const QString missing = dir.filePath(QStringLiteral("missing.joy"));
    const QString folder = dir.filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkpath(folder));
    const QString fifo = makeFifo(dir.filePath(QStringLiteral("fifo.joy")));
    const QString empty = writeFile(dir.filePath(QStringLiteral("empty.joy")), {});
    const QString locked = writeFile(dir.filePath(QStringLiteral("locked.joy")), {});
    QVERIFY(QFile::setPermissions(locked, {}));
    const QString flight = sourceFile(QStringLiteral("examples/flight.joy"));
    const QString idle = QStringLiteral("virtual:/dev/null");
    const QStringList quiet = {QStringLiteral("QT_QPA_PLATFORM=offscreen")};
    const QString notValid = QStringLiteral("corvplay: This is not a valid joystick template file");
    const QString driver = QStringLiteral("corvplay: Cannot detect a joystick driver");
    const auto args = [&](const QString& joystick, const QString& joy) {
        QStringList list = {QStringLiteral("--keys"), QStringLiteral("print"),
                            QStringLiteral("--joystick"), joystick};
        return joy.isEmpty() ? list : list << joy;
    };

    QTest::newRow("template missing")
        << args(idle, missing) << quiet << 1 << notValid
        << "corvplay: " + missing + ": No such file or directory; check the name";
    // The file is what to fix first, whatever else is wrong.
    QTest::newRow("template missing, no joystick")
        << args(QStringLiteral("no-such-stick"), missing) << quiet << 1 << notValid
        << "corvplay: " + missing + ": No such file or directory; check the name";
    QTest::newRow("template is a directory") << args(idle, folder) << quiet << 1 << notValid
                                             << "corvplay: " + folder + ": is a directory";
    QTest::newRow("template is a FIFO")
        << args(idle, fifo) << quiet << 1 << notValid << "corvplay: " + fifo + ": is a pipe";
    QTest::newRow("template unreadable") << args(idle, locked) << quiet << 1 << notValid
                                         << "corvplay: " + locked + ": Permission denied";
    QTest::newRow("template empty")
        << args(idle, empty) << quiet << 1 << notValid << "corvplay: " + empty + ": is empty";
    QTest::newRow("--check without a template")
        << QStringList{QStringLiteral("--check")} << QStringList() << 3
        << "corvplay: --check needs exactly one template"
        << "Usage: ";
    QTest::newRow("no joystick matches")
        << args(QStringLiteral("no-such-stick"), flight) << quiet << 1 << driver
        << "corvplay: asked for joystick \"no-such-stick\"; connected: ";
    QTest::newRow("script missing") << args("virtual:" + missing, flight) << quiet << 1 << driver
                                    << "corvplay: cannot read the virtual joystick's script, " +
                                           missing + ": No such file or directory";
    QTest::newRow("script is a directory")
        << args("virtual:" + folder, flight) << quiet << 1 << driver
        << "corvplay: cannot read the virtual joystick's script, " + folder + ": Is a directory";
    QTest::newRow("display unreachable")
        << args(idle, flight) << QStringList{"DISPLAY=:97", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"}
        << 1 << "corvplay: cannot connect to display :97"
        << "corvplay: check that the X server";
    QTest::newRow("no template, no display")
        << args(idle, {}) << QStringList{"DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"} << 1
        << "corvplay: no template named, and no display to ask for one on"
        << "corvplay: usage: corvplay [options] template.joy";
    QTest::newRow("two templates, no display")
        << (args(idle, flight) << flight)
        << QStringList{"DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"} << 1
        << "corvplay: 2 templates named where one is played, and no display to ask for one on"
        << "corvplay: usage: corvplay [options] template.joy";
}

// Each failure: the message, then a line with its cause and what to do,
// and the status; without a box to wait on where nobody could answer it.
void TestCorvplayHelp::startupFailuresSayWhatToDo()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, env);
    QFETCH(int, status);
    QFETCH(QString, first);
    QFETCH(QString, second);

    Corvplay run;
    QProcessEnvironment environment = run.playEnvironment();
    for (const QString& change : env) {
        if (change.contains(u'='))
            environment.insert(change.section(u'=', 0, 0), change.section(u'=', 1));
        else
            environment.remove(change);
    }
    // Root reads any file; the unreadable one must be tried as somebody else.
    if (::geteuid() == 0 && QString(QTest::currentDataTag()).contains(QLatin1String("unread")))
        run.process.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(99);
        });
    run.startWith(environment, args);
    QVERIFY(run.process.waitForFinished(kTimeout));
    const QStringList lines = run.errorLines();
    const qsizetype at = lines.indexOf(first);
    QVERIFY2(at >= 0, qPrintable(lines.join(u'\n')));
    QVERIFY2(std::any_of(lines.begin() + at + 1, lines.end(),
                         [&](const QString& line) { return line.startsWith(second); }),
             qPrintable(lines.join(u'\n')));
    QCOMPARE(run.process.exitCode(), status);
}

void TestCorvplayHelp::standardErrorHoldsWhatMatters_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("absent");

    const QString flight = sourceFile(QStringLiteral("examples/flight.joy"));
    const QString runtimeDir = QStringLiteral("XDG_RUNTIME_DIR not set");
    QTest::newRow("Qt's own warnings left out")
        << QStringList{flight} << QString() << QStringLiteral("mode 1 Ground") << runtimeDir;
    QTest::newRow("--verbose keeps them")
        << QStringList{QStringLiteral("--verbose"), flight} << QString()
        << "corvplay: QStandardPaths: " + runtimeDir << QString();
    QTest::newRow("logging rules keep them")
        << QStringList{flight} << QStringLiteral("QT_LOGGING_RULES=*.debug=false")
        << "corvplay: QStandardPaths: " + runtimeDir << QString();
    // The dialog needs a display: xcb, not offscreen.
    QTest::newRow("two templates, with a display")
        << QStringList{flight, flight} << QStringLiteral("QT_QPA_PLATFORM=xcb")
        << "corvplay: 2 templates named where one is played: choose it in the dialog" << runtimeDir;
}

// The player runs until it shows its first mode or its dialog asks; what it
// printed by then is all there is to see.
void TestCorvplayHelp::standardErrorHoldsWhatMatters()
{
    QFETCH(QStringList, args);
    QFETCH(QString, environment);
    QFETCH(QString, present);
    QFETCH(QString, absent);

    Corvplay run;
    QProcessEnvironment env = run.playEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!environment.isEmpty())
        env.insert(environment.section(u'=', 0, 0), environment.section(u'=', 1));
    run.startWith(env,
                  QStringList{QStringLiteral("--keys"), QStringLiteral("print"),
                              QStringLiteral("--joystick"), QStringLiteral("virtual:/dev/null")} +
                      args);
    // On either stream: the mode line is on standard output.
    const auto shown = [&] {
        const QStringList all = run.lines() + run.errorLines();
        return std::any_of(all.begin(), all.end(),
                           [&](const QString& line) { return line.startsWith(present); });
    };
    QTRY_VERIFY2_WITH_TIMEOUT(shown(), qPrintable(run.errorLines().join(u'\n')), kTimeout);
    run.process.kill();
    QVERIFY(run.process.waitForFinished(kTimeout));
    const QString errors = run.errorLines().join(u'\n');
    QVERIFY2(absent.isEmpty() || !errors.contains(absent), qPrintable(errors));
}

void TestCorvplayHelp::waylandWithoutPluginRunsWithoutWindow()
{
    Corvplay run;
    QProcessEnvironment env = run.playEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("corvane-test-none"));
    run.startIn(env, QStringLiteral("print"), sourceFile(QStringLiteral("examples/flight.joy")));
    QTRY_VERIFY_WITH_TIMEOUT(
        run.errorLines().contains(
            "corvplay: no usable Qt platform plugin for Wayland; running without a window"),
        kTimeout);
    // It plays all the same.
    QVERIFY(run.send("press 2\nwait 200\nrelease 2\n"));
    QTRY_VERIFY_WITH_TIMEOUT(typed(run, "key 32 up"), kTimeout);
}

// Under the test's X server, where no tray host runs.
void TestCorvplayHelp::noNotificationAreaKeepsTheWindowToClick()
{
    if (!dpy_)
        QSKIP("needs an X display");
    const Atom tray = XInternAtom(
        dpy_, qPrintable(QStringLiteral("_NET_SYSTEM_TRAY_S%1").arg(DefaultScreen(dpy_))), False);
    if (XGetSelectionOwner(dpy_, tray) != None)
        QSKIP("a tray host is running");

    Corvplay run;
    run.start(QStringLiteral("print"), sourceFile(QStringLiteral("examples/flight.joy")));
    QTRY_VERIFY_WITH_TIMEOUT(run.modeWindow(dpy_) != 0, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(
        run.errorLines().contains(
            "corvplay: no notification area; right-click the mode window for its menu"),
        kTimeout);
    // From nothing chosen, Up goes to the last item: Cancel, Shutdown,
    // then (past the separators) Disable, then Enable.
    const auto choose = [&](int ups) {
        rightClick(dpy_, run.modeWindow(dpy_), 10, 5);
        const auto menuShown = [&] { return popupShown(dpy_, run.process.processId()); };
        if (!QTest::qWaitFor(menuShown, kTimeout))
            return false;
        for (int i = 0; i < ups; ++i)
            tapKey(dpy_, XK_Up);
        tapKey(dpy_, XK_Return);
        return QTest::qWaitFor([&] { return !menuShown(); }, kTimeout);
    };

    QVERIFY(choose(3)); // Disable
    QVERIFY(run.modeWindow(dpy_) != 0);
    QVERIFY(run.send("press 2\nwait 300\nrelease 2\n"));
    QTest::qWait(800);
    QVERIFY(!typed(run, "key 32 down"));

    QVERIFY(choose(4)); // Enable
    QVERIFY(run.send("press 2\nwait 300\nrelease 2\n"));
    QTRY_VERIFY_WITH_TIMEOUT(typed(run, "key 32 up"), kTimeout);
}

QTEST_GUILESS_MAIN(TestCorvplayHelp)
#include "tst_corvplay_help.moc"
