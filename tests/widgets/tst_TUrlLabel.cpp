#include "widgets/TUrlLabel.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QMenu>
#include <QtTest>

using namespace corv;

namespace
{
void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
} // namespace

// Stands in for the desktop: records every address it is asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class tst_TUrlLabel : public QObject
{
    Q_OBJECT
    UrlRecorder recorder_;
    std::unique_ptr<TUrlLabel> label_;

    TUrlLabel* shown(const QString& caption, const QString& url)
    {
        label_ = std::make_unique<TUrlLabel>();
        label_->setText(caption);
        label_->setURL(url);
        label_->resize(300, 20);
        label_->show();
        if (!QTest::qWaitForWindowExposed(label_.get()))
            return nullptr;
        return label_.get();
    }

private slots:
    void initTestCase()
    {
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &recorder_, "open");
    }
    void cleanupTestCase()
    {
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    void init() { recorder_.opened.clear(); }
    void cleanup() { label_.reset(); }

    void defaults();
    void clickOpensTarget_data();
    void clickOpensTarget();
    void copyTakesCaption();
    void pressColourRestoredWhenLeaving();
};

void tst_TUrlLabel::defaults()
{
    TUrlLabel l;
    QCOMPARE(l.FontColor(), QColor(0, 0, 255));
    QCOMPARE(l.ActiveColor(), QColor(128, 0, 128));
    QVERIFY(l.font().underline());
    QCOMPARE(l.cursor().shape(), Qt::PointingHandCursor);
    const auto actions = l.PopupMenu()->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->text(), QStringLiteral("Copy"));
}

void tst_TUrlLabel::clickOpensTarget_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("opened"); // empty: nothing opened
    QTest::newRow("empty URL: caption") << "https://example.org/a"
                                        << ""
                                        << "https://example.org/a";
    QTest::newRow("blank URL: caption") << "https://example.org/b"
                                        << "   "
                                        << "https://example.org/b";
    QTest::newRow("URL first") << "Write to us"
                               << "mailto:corvane@example.org"
                               << "mailto:corvane@example.org";
    QTest::newRow("caption without scheme") << "www.example.org"
                                            << ""
                                            << "http://www.example.org";
    QTest::newRow("nothing to open") << "  "
                                     << " "
                                     << "";
}

void tst_TUrlLabel::clickOpensTarget()
{
    QFETCH(QString, caption);
    QFETCH(QString, url);
    QFETCH(QString, opened);
    TUrlLabel* l = shown(caption, url);
    QVERIFY(l);
    QSignalSpy clicked(l, &TUrlLabel::OnClick);
    QTest::mouseClick(l, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicked.count(), 1);
    if (opened.isEmpty()) {
        QVERIFY(recorder_.opened.isEmpty());
    } else {
        QCOMPARE(recorder_.opened.size(), 1);
        QCOMPARE(recorder_.opened.first(), QUrl(opened));
    }
    // Other buttons open nothing.
    QTest::mouseClick(l, Qt::MiddleButton, {}, QPoint(5, 5));
    QCOMPARE(recorder_.opened.size(), opened.isEmpty() ? 0 : 1);
}

void tst_TUrlLabel::copyTakesCaption()
{
    TUrlLabel* l =
        shown(QStringLiteral("Corvane home page"), QStringLiteral("https://example.org"));
    QVERIFY(l);
    QGuiApplication::clipboard()->clear();
    l->PopupMenu()->actions().first()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Corvane home page"));
    QVERIFY(recorder_.opened.isEmpty());
}

void tst_TUrlLabel::pressColourRestoredWhenLeaving()
{
    TUrlLabel* l = shown(QStringLiteral("https://example.org"), QString());
    QVERIFY(l);
    l->setFontColor(QColor(0, 0, 128));
    l->setActiveColor(QColor(200, 0, 0));
    sendMouse(l, QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton, Qt::RightButton);
    QCOMPARE(l->FontColor(), QColor(0, 0, 128));
    sendMouse(l, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton, Qt::NoButton);

    sendMouse(l, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(l->FontColor(), QColor(200, 0, 0));
    sendMouse(l, QEvent::MouseMove, QPoint(5, 80), Qt::NoButton, Qt::LeftButton);
    sendMouse(l, QEvent::MouseButtonRelease, QPoint(5, 80), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(l->FontColor(), QColor(0, 0, 128));
    QVERIFY(recorder_.opened.isEmpty());
}

QTEST_MAIN(tst_TUrlLabel)
#include "tst_TUrlLabel.moc"
