#include "editor/pages/DescriptionPage.h"

#include "template/Apps.h"
#include "template/TemplateNames.h"
#include "widgets/TUrlLabel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace corv::editor
{

namespace
{

const QString AppsKey = QStringLiteral("APPS");
const QString PickCaption = QStringLiteral("Pick a window");
const QString PickHint =
    QStringLiteral("Click, then click the window of a program this template is for");
const QString NoFocus = QStringLiteral("Needs an X11 window manager that names the active window");

QString Countdown(int seconds)
{
    return QStringLiteral("Click the window... %1").arg(seconds);
}

// Whether Qt named the window for this program: WM_CLASS is its resource
// name (RESOURCE_NAME, else the program file's name) and its application name.
bool IsOwnWindow(const FocusedWindow& window)
{
    const QStringList args = QCoreApplication::arguments();
    const QString own[] = {QCoreApplication::applicationName(),
                           args.isEmpty() ? QString() : QFileInfo(args.first()).fileName(),
                           qEnvironmentVariable("RESOURCE_NAME")};
    return std::any_of(std::begin(own), std::end(own), [&window](const QString& name) {
        return !name.isEmpty() && (window.instance.compare(name, Qt::CaseInsensitive) == 0 ||
                                   window.windowClass.compare(name, Qt::CaseInsensitive) == 0);
    });
}

// The window's class as an APPS entry, else its instance; empty when
// neither can stand in the list as a class (a ';' would split it).
QString EntryFor(const FocusedWindow& window)
{
    for (const QString& name : {window.windowClass.trimmed(), window.instance.trimmed()}) {
        if (!name.isEmpty() && !name.contains(u';') &&
            !name.startsWith(QLatin1String("title:"), Qt::CaseInsensitive))
            return name;
    }
    return QString();
}

} // namespace

DescriptionPage::DescriptionPage(Template& doc, QTabWidget* pages)
    : EditorPage(doc, pages, "tabDescription", "Description", QString())
{
    tabDescription = this;
    QGroupBox* about = Group();
    auto* aboutLayout = new QGridLayout(about);
    QFont big(QStringLiteral("MS Sans Serif"), 24, QFont::Bold);
    auto* the = new QLabel(QStringLiteral("The"), about);
    auto* product = new QLabel(QStringLiteral("Corvane"), about);
    for (QLabel* label : {the, product}) {
        label->setFont(big);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, QColor(128, 0, 0));
        label->setPalette(pal);
    }
    lblVersion = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(CORVANE_VERSION)));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto* icon = new QLabel(about);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(QIcon(QStringLiteral(":/icons/corvedit.svg")).pixmap(48, 48));
    UrlLabel1 = new TUrlLabel(about);
    UrlLabel1->setObjectName(QStringLiteral("UrlLabel1"));
    UrlLabel1->setText(QStringLiteral("Web Site"));
    UrlLabel1->setURL(QStringLiteral(CORVANE_HOMEPAGE_URL));
    UrlLabel1->setToolTip(QStringLiteral("Click here for Corvane homepage"));
    UrlLabel2 = new TUrlLabel(about);
    UrlLabel2->setObjectName(QStringLiteral("UrlLabel2"));
    UrlLabel2->setText(QStringLiteral("Email"));
    UrlLabel2->setURL(QStringLiteral(CORVANE_SUPPORT_URL));
    UrlLabel2->setToolTip(QStringLiteral("Click here to email me"));
    aboutLayout->addWidget(icon, 0, 0, 2, 1, Qt::AlignCenter);
    aboutLayout->addWidget(the, 0, 1);
    aboutLayout->addWidget(product, 1, 1);
    aboutLayout->addWidget(lblVersion, 2, 1);
    aboutLayout->addWidget(UrlLabel1, 0, 2, Qt::AlignRight | Qt::AlignBottom);
    aboutLayout->addWidget(UrlLabel2, 1, 2, Qt::AlignRight | Qt::AlignTop);
    aboutLayout->setColumnStretch(1, 1);

    auto* group = new QGroupBox(QStringLiteral("Description of This Template File:"));
    auto* groupLayout = new QVBoxLayout(group);
    txtTemplateDesc = Field(
        "txtTemplateDesc",
        QStringLiteral("Give a description of this template (eg Flight Simulator for Windows 95)"),
        false, group);
    txtTemplateDesc->setMaxLength(MaxTextLength);
    connect(txtTemplateDesc, &QLineEdit::textChanged, this, [this](const QString& text) {
        doc_.Description = text;
        emit DocumentEdited();
    });
    groupLayout->addWidget(txtTemplateDesc);

    txtApps =
        Field("txtApps",
              QStringLiteral("Name the programs this template is for (eg xterm; title:NetHack)"),
              false, group);
    txtApps->setPlaceholderText(QStringLiteral("window classes or title:TEXT, separated by ;"));
    txtApps->setMaxLength(MaxTextLength);
    connect(txtApps, &QLineEdit::textChanged, this, &DescriptionPage::txtAppsChange);
    btnPickWindow = new QPushButton(Countdown(PickSeconds), group);
    btnPickWindow->setObjectName(QStringLiteral("btnPickWindow"));
    // Wide enough for the countdown, so that the row does not jump.
    btnPickWindow->setMinimumWidth(btnPickWindow->sizeHint().width());
    btnPickWindow->setText(PickCaption);
    connect(btnPickWindow, &QPushButton::clicked, this, &DescriptionPage::btnPickWindowClick);
    lblPickWindow = Explanation(QString(), group);
    lblPickWindow->setObjectName(QStringLiteral("lblPickWindow"));
    groupLayout->addWidget(new QLabel(QStringLiteral("For programs:"), group));
    auto* appsRow = new QHBoxLayout;
    appsRow->addWidget(txtApps, 1);
    appsRow->addWidget(btnPickWindow);
    groupLayout->addLayout(appsRow);
    groupLayout->addWidget(lblPickWindow);
    pickTimer_ = new QTimer(this);
    connect(pickTimer_, &QTimer::timeout, this, &DescriptionPage::PickTick);
    SetFocusService(nullptr);

    auto* page = static_cast<QVBoxLayout*>(layout());
    page->addWidget(group);
    page->addStretch();
}

void DescriptionPage::SetFocusService(FocusService* focus)
{
    StopPick();
    if (focus_)
        disconnect(focus_, nullptr, this, nullptr);
    focus_ = focus;
    if (focus_)
        connect(focus_, &FocusService::focusChanged, this, &DescriptionPage::WindowFocused);
    const bool usable = focus_ && focus_->available();
    btnPickWindow->setEnabled(usable);
    btnPickWindow->setToolTip(usable ? PickHint : NoFocus);
    // Hints are off by default: the page says it too.
    lblPickWindow->setText(usable ? QString() : NoFocus);
}

void DescriptionPage::ResetFields()
{
    StopPick();
    if (btnPickWindow->isEnabled())
        lblPickWindow->clear();
}

void DescriptionPage::ShowDocument()
{
    txtTemplateDesc->setText(doc_.Description);
    const ExtraKeys& extras = doc_.GlobalExtras;
    const auto kept = FindExtra(extras, AppsKey);
    txtApps->setText(kept == extras.end() ? QString() : kept->second);
}

void DescriptionPage::Clear()
{
    StopPick();
    txtTemplateDesc->clear();
    txtApps->clear();
    txtTemplateDesc->setFocus();
}

void DescriptionPage::txtAppsChange(const QString& text)
{
    const QString value = text.trimmed();
    ExtraKeys& extras = doc_.GlobalExtras;
    const auto kept = FindExtra(extras, AppsKey);
    // The same list as the document's (the field shown, a space typed) keeps
    // the file's spelling, "APPS=" too.
    const bool same = kept != extras.end() ? kept->second.trimmed() == value : value.isEmpty();
    if (!same) {
        if (value.isEmpty()) {
            extras.erase(kept);
        } else if (kept != extras.end()) {
            kept->second = value;
        } else {
            // Where a read puts it, so that the document saved and read back
            // is the same one.
            const QStringList& keys = TemplateNames::globalExtensionKeys();
            const QStringList before = keys.mid(0, keys.indexOf(AppsKey));
            const auto at = std::find_if(extras.cbegin(), extras.cend(), [&](const auto& extra) {
                return !before.contains(extra.first);
            });
            extras.insert(at, {AppsKey, value});
        }
    }
    emit DocumentEdited();
}

void DescriptionPage::btnPickWindowClick()
{
    // A second click gives up.
    if (pickTimer_->isActive()) {
        StopPick();
        return;
    }
    if (!focus_ || !focus_->available()) {
        SetFocusService(focus_);
        return;
    }
    lblPickWindow->clear();
    pickLeft_ = std::max(PickSeconds, 1);
    btnPickWindow->setText(Countdown(pickLeft_));
    pickTimer_->start(PickTickInterval);
}

void DescriptionPage::PickTick()
{
    if (--pickLeft_ > 0) {
        btnPickWindow->setText(Countdown(pickLeft_));
        return;
    }
    // The window the user went to, though its change was not seen.
    TakeWindow(focus_ ? focus_->current() : FocusedWindow());
}

void DescriptionPage::WindowFocused(const FocusedWindow& window)
{
    // Our own windows (the click on the button) and the desktop do not end it.
    if (pickTimer_->isActive() && !IsOwnWindow(window) && !EntryFor(window).isEmpty())
        TakeWindow(window);
}

void DescriptionPage::StopPick()
{
    pickTimer_->stop();
    btnPickWindow->setText(PickCaption);
}

void DescriptionPage::TakeWindow(const FocusedWindow& window)
{
    StopPick();
    const QString entry = IsOwnWindow(window) ? QString() : EntryFor(window);
    const QString list = txtApps->text().trimmed();
    const QString longer =
        list.isEmpty() ? entry : list + QLatin1String(list.endsWith(u';') ? " " : "; ") + entry;
    if (entry.isEmpty()) {
        lblPickWindow->setText(QStringLiteral("No window of another program was clicked."));
    } else if (AppsMatch(ParseApps(list), window.instance, window.windowClass, QString())) {
        lblPickWindow->setText(QStringLiteral("%1 is already in the list.").arg(entry));
    } else if (longer.size() > txtApps->maxLength()) {
        // The field would cut the name short.
        lblPickWindow->setText(QStringLiteral("There is no room in the list for %1.").arg(entry));
    } else {
        lblPickWindow->setText(QStringLiteral("Added %1.").arg(entry));
        // Last: the edit of the document is announced with the page settled.
        txtApps->setText(longer);
    }
}

} // namespace corv::editor
