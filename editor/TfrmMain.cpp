#include "editor/TfrmMain.h"

#include "editor/Manual.h"
#include "editor/MessageBox.h"
#include "editor/RecentFiles.h"
#include "editor/Summary.h"
#include "editor/SummaryPrinter.h"
#include "editor/TabStopDelegate.h"
#include "editor/TemplateStore.h"
#include "editor/TfrmSelect.h"
#include "platform/Joystick.h"
#include "template/Colour.h"
#include "template/KeyTable.h"
#include "template/TemplateFile.h"
#include "widgets/TColorGrid.h"
#include "widgets/TExplorerButton.h"
#include "widgets/TUrlLabel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

namespace corv::editor
{

// Pop-up hints for the whole application: while they are off, every
// tooltip request is swallowed before it reaches its widget.
class HintSwitch : public QObject
{
public:
    explicit HintSwitch(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }
    bool Shown() const { return shown_; }
    void SetShown(bool shown)
    {
        shown_ = shown;
        if (!shown)
            QToolTip::hideText();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        return event->type() == QEvent::ToolTip && !shown_;
    }

private:
    bool shown_ = false;
};

namespace
{

const QString Information = QStringLiteral("Information");
const QString Confirm = QStringLiteral("Confirm");
const QString Warning = QStringLiteral("Warning");
const QString Error = QStringLiteral("Error");
const QString KeyHint =
    QStringLiteral("Double click for keystroke selection. To delete a keystroke, double click "
                   "and select [NONE] from the list");
const QString SelectionLabel = QStringLiteral("[ Double Click for Selection ]");

// The ButtonIds of identified buttons or of mappings, in their order.
template <typename Entry> QStringList ButtonIds(const QList<Entry>& entries)
{
    QStringList ids;
    ids.reserve(entries.size());
    for (const Entry& entry : entries)
        ids << entry.ButtonId;
    return ids;
}

// A 16 x 16 toolbar image drawn from its SVG source; the transparent
// top-left pixel is what the button leaves out.
QImage ToolbarImage(const QString& name)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(":/icons/%1.svg").arg(name));
    QPainter painter(&image);
    svg.render(&painter, QRectF(0, 0, 16, 16));
    return image;
}

QLabel* Explanation(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLineEdit* Field(const char* name, const QString& hint, bool readOnly, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setToolTip(hint);
    field->setReadOnly(readOnly);
    return field;
}

QListWidget* List(const char* name, int tabStop, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setItemDelegate(new TabStopDelegate(tabStop, list));
    return list;
}

// Adds the texts as rows of a grid, each across all its columns, from row
// on; gives the row after them.
int AddExplanations(QGridLayout* layout, int row, std::initializer_list<const char*> texts,
                    QWidget* parent)
{
    for (const char* text : texts)
        layout->addWidget(Explanation(QString::fromUtf8(text), parent), row++, 0, 1, -1);
    return row;
}

// Makes a keystroke field wide enough for the longest keystroke it can show,
// all three modifiers and the widest key name, in its own font, so that no
// keystroke is scrolled out of sight.
void FitKeystrokes(QLineEdit* field)
{
    const QFontMetrics metrics(field->font());
    int text = 0;
    for (const KeyTableRow& row : KeyTable)
        text = std::max(text, metrics.horizontalAdvance(
                                  ComposeKeystroke(QLatin1String(row.Name), true, true, true)));
    // The field's own hint is room for 17 x's and its margins and frame;
    // the cursor position after the last letter must stay inside too.
    const int frame = field->sizeHint().width() - 17 * metrics.horizontalAdvance(u'x');
    field->setMinimumWidth(text + frame + 2);
}

// Says on a page why it cannot identify buttons; hidden while a joystick is captured.
QLabel* NoJoystickLabel(const char* name, QWidget* parent)
{
    auto* label = Explanation(QStringLiteral("No joystick is connected, so buttons cannot be "
                                             "identified. Connect one: it is taken as soon as "
                                             "it is found."),
                              parent);
    label->setObjectName(QLatin1String(name));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    label->setPalette(pal);
    label->hide();
    return label;
}

} // namespace

TfrmMain::TfrmMain(Joystick* joystick, QWidget* parent)
    : QWidget(parent), pnlToolbar(new QWidget(this)), pagMain(new QTabWidget(this)),
      Timer1(new QTimer(this)), joystick_(joystick), hints_(new HintSwitch(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Corvane"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/corvedit.svg")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(529, 469);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    buildToolbar();
    pagMain->setObjectName(QStringLiteral("pagMain"));
    pagMain->setGeometry(0, 48, 529, 469 - 48);
    // All eight tabs in one row, without scroll buttons.
    pagMain->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 3px 6px; margin-right: 1px; border: 1px solid palette(mid);"
        " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
        " background: palette(button); }"
        "QTabBar::tab:selected { background: palette(window); margin-bottom: -1px; }"
        "QTabBar::tab:!selected { margin-top: 2px; }"));
    buildDescriptionPage();
    buildTypePage();
    buildIdentifyPage();
    buildModePage();
    buildButtonsPage();
    buildResponsePage();
    buildAppearancePage();
    buildSummaryPage();
    pagMain->setCurrentWidget(tabDescription);
    // The page shown at start has one field to type in: it takes the keyboard.
    txtTemplateDesc->setFocus();
    connect(pagMain, &QTabWidget::currentChanged, this, &TfrmMain::pagMainChange);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(PollInterval);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    if (joystick_)
        connect(joystick_, &Joystick::buttonDown, this, &TfrmMain::JoyButtonDown);
    tmrCapture = new QTimer(this);
    tmrCapture->setObjectName(QStringLiteral("tmrCapture"));
    tmrCapture->setInterval(CaptureRetryInterval);
    connect(tmrCapture, &QTimer::timeout, this, &TfrmMain::tmrCaptureTimer);

    FontDialog1 = new QFontDialog(this);
    FontDialog1->setObjectName(QStringLiteral("FontDialog1"));
    FontDialog1->setOption(QFontDialog::DontUseNativeDialog);

    frmSelect = new TfrmSelect(this);
    // Keys and double-clicks are seen here before the controls get them.
    qApp->installEventFilter(this);
}

TfrmMain::~TfrmMain()
{
    qApp->removeEventFilter(this);
}

QGroupBox* TfrmMain::AddPage(QWidget** page, const char* name, const char* caption,
                             const QString& groupCaption)
{
    *page = new QWidget;
    (*page)->setObjectName(QLatin1String(name));
    pagMain->addTab(*page, QLatin1String(caption));
    auto* layout = new QVBoxLayout(*page);
    auto* group = new QGroupBox(groupCaption, *page);
    layout->addWidget(group);
    return group;
}

void TfrmMain::buildToolbar()
{
    pnlToolbar->setObjectName(QStringLiteral("pnlToolbar"));
    pnlToolbar->setGeometry(0, 0, 529, 48);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    HintsOn1 = PopupMenu1->addAction(QStringLiteral("&Show Hints"));
    HintsOn1->setObjectName(QStringLiteral("HintsOn1"));
    HintsOn1->setCheckable(true);
    HintsOff1 = PopupMenu1->addAction(QStringLiteral("&Hide Hints"));
    HintsOff1->setObjectName(QStringLiteral("HintsOff1"));
    HintsOff1->setCheckable(true);
    HintsOff1->setChecked(true);
    connect(HintsOn1, &QAction::triggered, this, &TfrmMain::HintsOn1Click);
    connect(HintsOff1, &QAction::triggered, this, &TfrmMain::HintsOff1Click);

    struct Spec {
        TExplorerButton** button;
        const char* name;
        const char* caption;
        const char* hint;
        const char* image;
        void (TfrmMain::*click)();
    };
    const Spec specs[] = {
        {&ExplorerButton1, "ExplorerButton1", "&New", "Start a new template file", "new",
         &TfrmMain::ExplorerButton1Click},
        {&btnOpen, "btnOpen", "&Open", "Open an existing template file", "open",
         &TfrmMain::btnOpenClick},
        {&btnSave, "btnSave", "&Save", "Save the current template file", "save",
         &TfrmMain::btnSaveClick},
        {&btnAdd, "btnAdd", "&Add", "Add or Modify button settings", "add", &TfrmMain::btnAddClick},
        {&btnDelete, "btnDelete", "&Delete", "Delete button settings", "delete",
         &TfrmMain::btnDeleteClick},
        {&btnClear, "btnClear", "&Clear", "Clear fields on current page", "clear",
         &TfrmMain::btnClearClick},
        {&btnPrint, "btnPrint", "&Print", "Print button summary to default printer", "print",
         &TfrmMain::btnPrintClick},
        {&btnHints, "btnHints", "H&ints", "Hide or show these popup hints", "hints", nullptr},
        {&btnExit, "btnExit", "E&xit", "Exit Corvane", "exit", &TfrmMain::btnExitClick},
        {&btnHelp, "btnHelp", "&Help", "Show online help", "help", &TfrmMain::btnHelpClick},
    };
    int x = 4;
    for (const Spec& spec : specs) {
        auto* button = new TExplorerButton(pnlToolbar);
        *spec.button = button;
        button->setObjectName(QLatin1String(spec.name));
        button->setCaption(QLatin1String(spec.caption));
        button->setHint(QLatin1String(spec.hint));
        button->setBitmap(ToolbarImage(QLatin1String(spec.image)));
        button->setFontColor(QColor(0, 0, 128));
        button->setGeometry(x, 4, 50, 40);
        x += 52;
        if (spec.click)
            connect(button, &TExplorerButton::OnClick, this, spec.click);
    }
    btnHints->setDropDownMenu(PopupMenu1);

    // Save and Save As, on Save's own menu and on the keyboard.
    SaveMenu = new QMenu(this);
    SaveMenu->setObjectName(QStringLiteral("SaveMenu"));
    Save1 = SaveMenu->addAction(QStringLiteral("&Save"), this, &TfrmMain::btnSaveClick);
    Save1->setObjectName(QStringLiteral("Save1"));
    Save1->setShortcut(QKeySequence::Save);
    SaveAs1 = SaveMenu->addAction(QStringLiteral("Save &As..."), this, &TfrmMain::SaveAs1Click);
    SaveAs1->setObjectName(QStringLiteral("SaveAs1"));
    SaveAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    addActions({Save1, SaveAs1});
    btnSave->setPopupMenu(SaveMenu);

    // The templates opened last, on Open's menu; made afresh each time, so
    // that files gone meanwhile are not offered.
    OpenMenu = new QMenu(this);
    OpenMenu->setObjectName(QStringLiteral("OpenMenu"));
    connect(OpenMenu, &QMenu::aboutToShow, this, &TfrmMain::FillOpenMenu);
    btnOpen->setPopupMenu(OpenMenu);
    setAcceptDrops(true);
}

void TfrmMain::FillOpenMenu()
{
    OpenMenu->clear();
    OpenMenu->addAction(QStringLiteral("&Open..."), this, &TfrmMain::btnOpenClick);
    OpenMenu->addSeparator();
    const QStringList files = RecentFiles::Files();
    if (files.isEmpty())
        OpenMenu->addAction(QStringLiteral("No recent templates"))->setEnabled(false);
    for (int n = 0; n < files.size(); ++n) {
        const QString path = files[n];
        // "&1 flight.joy", its folder in the hint; a name's own & is no accelerator.
        QAction* recent =
            OpenMenu->addAction(QStringLiteral("&%1 %2").arg(n + 1).arg(
                                    QFileInfo(path).fileName().replace(u'&', QStringLiteral("&&"))),
                                this, [this, path] { OpenTemplatePath(path); });
        recent->setData(path);
        recent->setToolTip(path);
        recent->setStatusTip(path);
    }
}

// A template dropped on the window opens as Open would open it.
static QString DroppedTemplate(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedTemplate(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    const QString path = DroppedTemplate(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop has ended: the boxes of the open must not hold up the
    // program the file came from.
    QMetaObject::invokeMethod(
        this, [this, path] { OpenTemplatePath(path); }, Qt::QueuedConnection);
}

void TfrmMain::buildDescriptionPage()
{
    QGroupBox* about = AddPage(&tabDescription, "tabDescription", "Description", QString());
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
        Doc.Description = text;
        DocumentChanged();
    });
    groupLayout->addWidget(txtTemplateDesc);
    auto* page = static_cast<QVBoxLayout*>(tabDescription->layout());
    page->addWidget(group);
    page->addStretch();
}

void TfrmMain::buildTypePage()
{
    QGroupBox* group = AddPage(&tabType, "tabType", "Type", QStringLiteral("Device Type:"));
    auto* layout = new QGridLayout(group);
    int row = AddExplanations(
        layout, 0,
        {"Different devices connected to your games port can detect button presses using 2 "
         "different methods. Although not strictly correct, I have called these methods Digital "
         "and Analog.",
         "Only change from Digital to Analog if your button presses are not being detected.",
         "DIGITAL - This is the default device type and would be used by most modern day "
         "devices. Any joystick or device with many buttons or axis of movement would be a "
         "Digital device.For example the Microsoft Sidewinder 3D Pro.",
         "ANALOG - Used by some older style or simpler devices. Joysticks with only 2 or 4 "
         "buttons would probably fit this category. For example, the Warrior 5 QuickShot "
         "joystick by Bondwell.",
         "Some devices will work in either mode such as CH Products' Flightstick Pro."},
        group);
    rbDigital = new QRadioButton(QStringLiteral("Digital"), group);
    rbDigital->setObjectName(QStringLiteral("rbDigital"));
    rbDigital->setToolTip(QStringLiteral("Set device type to Digital"));
    rbDigital->setChecked(true);
    rbAnalogue = new QRadioButton(QStringLiteral("Analog"), group);
    rbAnalogue->setObjectName(QStringLiteral("rbAnalogue"));
    rbAnalogue->setToolTip(QStringLiteral("Set device type to Analog"));
    layout->addWidget(rbDigital, row++, 0);
    layout->addWidget(rbAnalogue, row++, 0);
    layout->setRowStretch(row, 1);
    connect(rbDigital, &QRadioButton::clicked, this, &TfrmMain::rbDigitalClick);
    connect(rbAnalogue, &QRadioButton::clicked, this, &TfrmMain::rbAnalogueClick);
}

void TfrmMain::buildIdentifyPage()
{
    QGroupBox* group =
        AddPage(&tabIdentify, "tabIdentify", "Identify", QStringLiteral("Button Identification:"));
    auto* layout = new QGridLayout(group);
    AddExplanations(layout, 0,
                    {"Before you can assign keystrokes to the buttons on your joystick, you will "
                     "need to identify each button you wish to program.",
                     "To do this, press each button on your joystick, type a description, and "
                     "click Add.",
                     "TIP: The first time you use this software, identify every button on your "
                     "joystick and then save the template. This can then be used as a master "
                     "template for future programming."},
                    group);
    txtIdentifyId = Field("txtIdentifyId",
                          QStringLiteral("As you press a joystick button, this field will change"),
                          true, group);
    txtIdentifyDesc = Field("txtIdentifyDesc",
                            QStringLiteral("Type a meaningful description for the button (eg top "
                                           "left, bottom right)"),
                            false, group);
    txtIdentifyDesc->setMaxLength(MaxButtonDescLength);
    lstIdentify = List("lstIdentify", 43, group);
    lstIdentify->setToolTip(QStringLiteral("The list of buttons that have been identified"));
    layout->addWidget(new QLabel(QStringLiteral("Button ID:"), group), 3, 0);
    layout->addWidget(txtIdentifyId, 4, 0);
    layout->addWidget(new QLabel(QStringLiteral("Button Description:"), group), 5, 0);
    layout->addWidget(txtIdentifyDesc, 6, 0);
    layout->addWidget(new QLabel(QStringLiteral("Identified Buttons:"), group), 3, 1);
    layout->addWidget(lstIdentify, 4, 1, 4, 1);
    layout->setRowStretch(7, 1);
    lblNoJoystickIdentify = NoJoystickLabel("lblNoJoystickIdentify", group);
    layout->addWidget(lblNoJoystickIdentify, 8, 0, 1, -1);
    connect(lstIdentify, &QListWidget::itemSelectionChanged, this, &TfrmMain::lstIdentifyClick);
    connect(lstIdentify, &QListWidget::itemClicked, this, &TfrmMain::lstIdentifyClick);
}

void TfrmMain::buildModePage()
{
    QGroupBox* group =
        AddPage(&tabMode, "tabMode", "Mode", QStringLiteral("Mode Switching Details:"));
    auto* layout = new QGridLayout(group);
    AddExplanations(layout, 0,
                    {"If you want to be able to switch \"modes\" on your joystick and use "
                     "virtual buttons, you must choose either a joystick button OR a keyboard "
                     "key to be used for mode switching."},
                    group);
    txtSwitchId = Field("txtSwitchId", QString(), true, group);
    txtSwitchId->hide();
    txtSwitchDesc = Field("txtSwitchDesc",
                          QStringLiteral("Only identified buttons will appear here"), true, group);
    txtSwitchKey = Field("txtSwitchKey", KeyHint, true, group);
    FitKeystrokes(txtSwitchKey);
    layout->addWidget(
        new QLabel(QStringLiteral("Joystick Button - [ Press Required Joystick Button ]"), group),
        1, 0);
    layout->addWidget(txtSwitchDesc, 1, 1);
    layout->addWidget(
        new QLabel(QStringLiteral("Keystroke - [ Double Click for Selection ]"), group), 2, 0);
    layout->addWidget(txtSwitchKey, 2, 1);
    AddExplanations(layout, 3,
                    {"When you run CORVPLAY.EXE, it will display what \"mode\" you are in. To "
                     "change the default names for each mode, edit the descriptions below."},
                    group);
    auto* names = new QGridLayout;
    for (int n = 1; n <= MaxModes; ++n) {
        QLineEdit* name = Field(qPrintable(QStringLiteral("txtMode%1Name").arg(n)),
                                QStringLiteral("Name for mode %1").arg(n), false, group);
        name->setMaxLength(MaxTextLength);
        txtModeName[size_t(n - 1)] = name;
        names->addWidget(new QLabel(QStringLiteral("Mode %1:").arg(n), group), n - 1, 0);
        names->addWidget(name, n - 1, 1);
        connect(name, &QLineEdit::textChanged, this, [this, n](const QString& text) {
            Doc.ModeNames[size_t(n - 1)] = text;
            DocumentChanged();
        });
    }
    layout->addLayout(names, 4, 0, 1, 2);
    layout->setRowStretch(5, 1);
    connect(txtSwitchId, &QLineEdit::textChanged, this, [this](const QString& text) {
        Doc.ModeSwitchButton = text;
        // A switch button that is not identified has no description to
        // show, but must be seen to be cleared: its ButtonId stands in.
        txtSwitchDesc->setPlaceholderText(text);
        DocumentChanged();
    });
    connect(txtSwitchKey, &QLineEdit::textChanged, this, [this](const QString& text) {
        Doc.ModeSwitchKey = text;
        DocumentChanged();
    });
}

void TfrmMain::buildButtonsPage()
{
    QGroupBox* group = AddPage(&tabButtons, "tabButtons", "Buttons",
                               QStringLiteral("Keystroke Actions For Button:"));
    auto* layout = new QGridLayout(group);
    txtButtonId =
        Field("txtButtonId", QStringLiteral("Identified button id appears here"), true, group);
    txtButtonDesc =
        Field("txtButtonDesc", QStringLiteral("Only identified buttons appear here"), true, group);
    cmbMode = new QComboBox(group);
    cmbMode->setObjectName(QStringLiteral("cmbMode"));
    cmbMode->setToolTip(QStringLiteral("Use this to select which mode you are currently "
                                       "programming the joystick buttons for"));
    for (int n = 1; n <= MaxModes; ++n)
        cmbMode->addItem(Template::DefaultModeName(n));
    txtButtonPurpose = Field("txtButtonPurpose",
                             QStringLiteral("Type a meaningful description for what this button "
                                            "press does (eg fire gun, start engines)"),
                             false, group);
    txtButtonPurpose->setMaxLength(MaxTextLength);
    cmbRepeat = new QComboBox(group);
    cmbRepeat->setObjectName(QStringLiteral("cmbRepeat"));
    cmbRepeat->setToolTip(QStringLiteral("Set to True if you want keystrokes to repeat"));
    cmbRepeat->addItems({QStringLiteral("False"), QStringLiteral("True")});
    lstButtonSummary = List("lstButtonSummary", 40, group);
    lstButtonSummary->setToolTip(
        QStringLiteral("As you add and modify buttons, a summary list will appear here"));

    auto* idRow = new QGridLayout;
    idRow->addWidget(new QLabel(QStringLiteral("ID:"), group), 0, 0);
    idRow->addWidget(txtButtonId, 1, 0);
    idRow->addWidget(new QLabel(QStringLiteral("Description:"), group), 0, 1);
    idRow->addWidget(txtButtonDesc, 1, 1);
    idRow->setColumnStretch(1, 2);
    layout->addLayout(idRow, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Description of what this button does:"), group), 1,
                      0);
    layout->addWidget(txtButtonPurpose, 2, 0);
    auto* repeatRow = new QHBoxLayout;
    repeatRow->addWidget(new QLabel(QStringLiteral("Repeat:"), group));
    repeatRow->addWidget(cmbRepeat);
    repeatRow->addStretch();
    layout->addLayout(repeatRow, 3, 0);
    layout->addWidget(new QLabel(SelectionLabel, group), 4, 0);
    auto* keys = new QGridLayout;
    for (int n = 1; n <= MaxSlots; ++n) {
        QLineEdit* key = Field(qPrintable(QStringLiteral("txtKey%1").arg(n)), KeyHint, true, group);
        txtKey[size_t(n - 1)] = key;
        FitKeystrokes(key);
        const int column = (n - 1) / 3;
        const int row = (n - 1) % 3;
        keys->addWidget(new QLabel(QString::number(n), group), row, column * 2);
        keys->addWidget(key, row, column * 2 + 1);
    }
    layout->addLayout(keys, 5, 0);
    // Tab follows the work on a button: what it does, Repeat, the keystrokes.
    QWidget* chain[] = {txtButtonPurpose, cmbRepeat, txtKey[0], txtKey[1],       txtKey[2],
                        txtKey[3],        txtKey[4], txtKey[5], lstButtonSummary};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel(QStringLiteral("Current Mode:"), group));
    modeRow->addWidget(cmbMode, 1);
    layout->addLayout(modeRow, 0, 1);
    layout->addWidget(lstButtonSummary, 1, 1, 6, 1);
    layout->setRowStretch(6, 1);
    lblNoJoystickButtons = NoJoystickLabel("lblNoJoystickButtons", group);
    layout->addWidget(lblNoJoystickButtons, 7, 0, 1, -1);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 2);

    connect(cmbMode, &QComboBox::activated, this, &TfrmMain::cmbModeChange);
    connect(txtButtonId, &QLineEdit::textChanged, this, &TfrmMain::txtButtonIdChange);
    connect(lstButtonSummary, &QListWidget::itemSelectionChanged, this,
            &TfrmMain::lstButtonSummaryClick);
    connect(lstButtonSummary, &QListWidget::itemClicked, this, &TfrmMain::lstButtonSummaryClick);
}

void TfrmMain::buildResponsePage()
{
    QGroupBox* group =
        AddPage(&tabResponse, "tabResponse", "Response", QStringLiteral("Button Responsivness:"));
    auto* layout = new QGridLayout(group);
    int row = AddExplanations(
        layout, 0,
        {"You may find that joystick button presses in some games do not respond quickly "
         "enough. For most games this should NOT be the case. You can alter the responsivness "
         "of button presses by setting the slider below.",
         "Normally, you will NOT need to modify this setting.",
         "IMPORTANT: Setting the slider too high can severly impact the performance of your "
         "game or even your entire system. Use with care."},
        group);
    trkResponse = new QSlider(Qt::Horizontal, group);
    trkResponse->setObjectName(QStringLiteral("trkResponse"));
    trkResponse->setToolTip(QStringLiteral("Button responsiveness setting"));
    trkResponse->setRange(0, 6);
    trkResponse->setPageStep(1);
    trkResponse->setTickInterval(1);
    trkResponse->setTickPosition(QSlider::TicksBelow);
    trkResponse->setValue(3);
    lblResponseValue = new QLabel(group);
    lblResponseValue->setObjectName(QStringLiteral("lblResponseValue"));
    lblResponseValue->setAlignment(Qt::AlignCenter);
    layout->addWidget(new QLabel(QStringLiteral("Lowest"), group), row, 0);
    layout->addWidget(trkResponse, row, 1);
    layout->addWidget(new QLabel(QStringLiteral("Highest"), group), row++, 2);
    layout->addWidget(lblResponseValue, row++, 1);
    layout->setRowStretch(row, 1);
    connect(trkResponse, &QSlider::valueChanged, this, &TfrmMain::trkResponseChange);
}

void TfrmMain::buildAppearancePage()
{
    QGroupBox* group = AddPage(&tabAppearance, "tabAppearance", "Appearance",
                               QStringLiteral("Mode Window Colours and Fonts:"));
    auto* layout = new QGridLayout(group);
    AddExplanations(layout, 0,
                    {"This will change the appearance of the mode window when you run "
                     "CORVPLAY.EXE",
                     "Left click to change the foreground colour, right click to change the "
                     "background colour"},
                    group);
    ColorGrid1 = new TColorGrid(group);
    ColorGrid1->setObjectName(QStringLiteral("ColorGrid1"));
    ColorGrid1->setFixedSize(304, 100);
    ColorGrid1->setClickEnablesColor(true);
    ColorGrid1->setBackgroundIndex(7);
    ColorGrid1->setToolTip(QStringLiteral("Change the foreground and background colours"));
    btnFont = new QPushButton(QStringLiteral("Change Font"), group);
    btnFont->setObjectName(QStringLiteral("btnFont"));
    btnFont->setToolTip(QStringLiteral("Click to change the font"));
    btnDefault = new QPushButton(QStringLiteral("Default Settings"), group);
    btnDefault->setObjectName(QStringLiteral("btnDefault"));
    btnDefault->setToolTip(QStringLiteral("Click to revert to default colours and font"));
    pnlExample = new QLabel(QStringLiteral("EXAMPLE"), group);
    pnlExample->setObjectName(QStringLiteral("pnlExample"));
    pnlExample->setToolTip(QStringLiteral("This is how the mode window will look"));
    pnlExample->setAlignment(Qt::AlignCenter);
    pnlExample->setAutoFillBackground(true);
    pnlExample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlExample->setMinimumHeight(40);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnFont);
    buttons->addWidget(btnDefault);
    buttons->addStretch();
    layout->addWidget(ColorGrid1, 2, 0);
    layout->addLayout(buttons, 2, 1);
    layout->addWidget(pnlExample, 3, 0, 1, 2);
    layout->setRowStretch(4, 1);
    connect(ColorGrid1, &TColorGrid::OnChange, this, &TfrmMain::ColorGrid1Change);
    connect(btnFont, &QPushButton::clicked, this, &TfrmMain::btnFontClick);
    connect(btnDefault, &QPushButton::clicked, this, &TfrmMain::btnDefaultClick);
}

void TfrmMain::buildSummaryPage()
{
    QGroupBox* group = AddPage(&tabSummary, "tabSummary", "Summary",
                               QStringLiteral("Complete Button Summary For This Template:"));
    auto* layout = new QVBoxLayout(group);
    lstCompleteSummary = List("lstCompleteSummary", 85, group);
    lstCompleteSummary->setSelectionMode(QAbstractItemView::NoSelection);
    lstCompleteSummary->setToolTip(
        QStringLiteral("Displays a list of all buttons you have programmed for all modes. Handy to "
                       "print this list for referral"));
    layout->addWidget(lstCompleteSummary);
}

// ---------------------------------------------------------------------------
// Start-up and the joystick

bool TfrmMain::FormCreate()
{
    if (CaptureJoystick() != Joystick::Captured) {
        if (!withoutJoystick_) {
            ExitCode = 1;
            return false;
        }
        // Templates are edited without identification until a joystick
        // is plugged in.
        lblNoJoystickIdentify->show();
        lblNoJoystickButtons->show();
        if (joystick_)
            tmrCapture->start();
    }
    ResetTemplate();
    Doc.DigitalDevice = true;
    ShowDeviceType();
    return true;
}

int TfrmMain::CaptureJoystick()
{
    const int result = joystick_ ? joystick_->capture() : int(Joystick::NoDriver);
    if (result == Joystick::Captured) {
        joystick_->poll();
        return result;
    }
    const QString text = Joystick::captureMessage(result);
    // Also for a start from a terminal or a script (the box says it there
    // itself where nobody can see it).
    if (!BoxesUnattended())
        std::fprintf(stderr, "corvedit: %s\n", qPrintable(text));
    // OK ends the program; the user may instead go on without identification.
    withoutJoystick_ =
        ShowMessage(QMessageBox::Critical, Error, text,
                    QStringLiteral("You can edit templates without a joystick, but not identify "
                                   "buttons until one is connected."),
                    QMessageBox::Ok | QMessageBox::Ignore, false,
                    {{QMessageBox::Ignore, QStringLiteral("Edit &Without Joystick")}}) ==
        QMessageBox::Ignore;
    return result;
}

void TfrmMain::tmrCaptureTimer()
{
    // Quietly: the user was told at start.
    if (!joystick_ || joystick_->capture() != Joystick::Captured)
        return;
    tmrCapture->stop();
    withoutJoystick_ = false;
    joystick_->poll();
    joystick_->setMessagesWanted(!Doc.DigitalDevice);
    lblNoJoystickIdentify->hide();
    lblNoJoystickButtons->hide();
}

QString TfrmMain::ButtonIdText(uint32_t number)
{
    return QString::number(static_cast<int32_t>(number));
}

void TfrmMain::Timer1Timer()
{
    if (PollBusy || !Doc.DigitalDevice)
        return;
    // Pending events run first, so the joystick's state is current. Not the
    // user's input: a box opened from inside this tick would stop the
    // ticks until it closed.
    QPointer<TfrmMain> self(this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // The events may have changed the page or the device type.
    if (!self || PollBusy || !Doc.DigitalDevice || !Timer1->isActive() || !joystick_ ||
        withoutJoystick_)
        return;
    const JoyInfo info = joystick_->poll();
    if (info.nothingPressed()) {
        ButtonHeld = false;
        return;
    }
    const bool wasHeld = ButtonHeld;
    ButtonHeld = true;
    if (wasHeld)
        return;
    ShowPress(QString::number(info.buttonId()));
}

void TfrmMain::JoyButtonDown(uint32_t wParam)
{
    if (!Doc.DigitalDevice && !withoutJoystick_)
        ShowPress(ButtonIdText(wParam));
}

void TfrmMain::ShowPress(const QString& id)
{
    QWidget* page = pagMain->currentWidget();
    if (page == tabIdentify)
        ShowPressOnIdentifyPage(id);
    else if (page == tabMode)
        ShowPressOnModePage(id);
    else if (page == tabButtons)
        ShowPressOnButtonsPage(id);
}

void TfrmMain::ShowPressOnIdentifyPage(const QString& id)
{
    PollBusy = true;
    const auto done = qScopeGuard([this] { PollBusy = false; });
    QApplication::beep();
    lstIdentify->clearSelection();
    txtIdentifyDesc->setFocus();
    txtIdentifyId->setText(id);
    // A known button shows its description, so that Add renames it.
    txtIdentifyDesc->setText(Doc.DescriptionOf(id));
}

void TfrmMain::ShowPressOnModePage(const QString& id)
{
    PollBusy = true;
    const auto done = qScopeGuard([this] { PollBusy = false; });
    if (IdentifiedIndex(id) < 0) {
        txtSwitchId->clear();
        txtSwitchDesc->clear();
        return;
    }
    QApplication::beep();
    txtSwitchId->setText(id);
    txtSwitchDesc->setText(Doc.DescriptionOf(id));
}

void TfrmMain::ShowPressOnButtonsPage(const QString& id)
{
    PollBusy = true;
    const auto done = qScopeGuard([this] { PollBusy = false; });
    lstButtonSummary->clearSelection();
    txtButtonPurpose->setFocus();
    if (IdentifiedIndex(id) < 0) {
        txtButtonId->clear();
        txtButtonDesc->clear();
        cmbRepeat->setCurrentIndex(0);
        return;
    }
    QApplication::beep();
    // Loads the mapping when the Id changes; the same Id keeps what was typed.
    txtButtonId->setText(id);
    txtButtonDesc->setText(Doc.DescriptionOf(id));
    const int i = MappingIndex(id);
    cmbRepeat->setCurrentIndex(i >= 0 && CurrentMappings()[i].Repeat ? 1 : 0);
}

// ---------------------------------------------------------------------------
// The document

int TfrmMain::IndexOfText(const QStringList& lines, const QString& text)
{
    return int(lines.lastIndexOf(text));
}

QStringList TfrmMain::Lines(const QListWidget* list)
{
    QStringList lines;
    lines.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

int TfrmMain::IdentifiedIndex(const QString& buttonId) const
{
    return IndexOfText(ButtonIds(Doc.IdentifiedButtons), buttonId);
}

int TfrmMain::MappingIndex(const QString& buttonId) const
{
    return IndexOfText(ButtonIds(Doc.Mappings[size_t(CurrentMode - 1)]), buttonId);
}

QString TfrmMain::MappingLine(const QString& buttonId, const QString& description)
{
    return buttonId + QLatin1Char('\t') + description;
}

void TfrmMain::RefreshModeNames()
{
    const int index = cmbMode->currentIndex();
    for (int n = 1; n <= MaxModes; ++n)
        cmbMode->setItemText(n - 1, Doc.ModeNameOrDefault(n));
    cmbMode->setCurrentIndex(index);
}

void TfrmMain::FillModeList()
{
    lstButtonSummary->clear();
    for (const ButtonMapping& mapping : CurrentMappings())
        lstButtonSummary->addItem(
            MappingLine(mapping.ButtonId, Doc.DescriptionOf(mapping.ButtonId)));
}

void TfrmMain::ShowIdentifiedList()
{
    lstIdentify->clear();
    for (const IdentifiedButton& button : Doc.IdentifiedButtons)
        lstIdentify->addItem(MappingLine(button.ButtonId, button.Description));
}

void TfrmMain::ClearMappingFields()
{
    txtButtonPurpose->clear();
    for (QLineEdit* key : txtKey)
        key->clear();
}

void TfrmMain::LoadMappingFields(const QString& buttonId)
{
    if (buttonId.isEmpty())
        return;
    txtButtonDesc->setText(Doc.DescriptionOf(buttonId));
    for (const ButtonMapping& mapping : CurrentMappings()) {
        if (mapping.ButtonId != buttonId)
            continue;
        txtButtonPurpose->setText(mapping.Purpose);
        for (int k = 0; k < MaxSlots; ++k)
            txtKey[size_t(k)]->setText(mapping.Keystrokes[size_t(k)]);
        break;
    }
}

void TfrmMain::EmptyButtonFields()
{
    txtButtonId->clear();
    txtButtonDesc->clear();
    cmbRepeat->setCurrentIndex(0);
    ClearMappingFields();
}

void TfrmMain::txtButtonIdChange()
{
    ClearMappingFields();
    LoadMappingFields(txtButtonId->text());
}

void TfrmMain::ResetTemplate()
{
    const bool digital = Doc.DigitalDevice;
    Doc = Template();
    Doc.DigitalDevice = digital;
    PollBusy = false;
    ButtonHeld = false;
    CurrentMode = 1;
    TemplateFileName.clear();
    cmbMode->setCurrentIndex(0);
    hints_->SetShown(false);
    txtIdentifyId->clear();
    txtIdentifyDesc->clear();
    EmptyButtonFields();
    lstButtonSummary->clear();
    lstCompleteSummary->clear();
    ShowDocument();
    ApplyDefaultAppearance();
    MarkSaved({});
}

void TfrmMain::ShowDocument()
{
    // Each control copies its value back into Doc as it changes, so work
    // from a copy: the colour grid reports both colours on every change.
    const Template d = Doc;
    txtTemplateDesc->setText(d.Description);
    ShowDeviceType();
    ShowIdentifiedList();
    for (int n = 0; n < MaxModes; ++n)
        txtModeName[size_t(n)]->setText(d.ModeNames[size_t(n)]);
    RefreshModeNames();
    txtSwitchId->setText(d.ModeSwitchButton);
    txtSwitchDesc->setText(Doc.DescriptionOf(d.ModeSwitchButton));
    txtSwitchKey->setText(d.ModeSwitchKey);
    trkResponse->setValue(d.Response);
    trkResponseChange();
    {
        // Both positions at once: halfway, the grid would look like a pick.
        const QSignalBlocker quiet(ColorGrid1);
        ColorGrid1->setForegroundIndex(d.ForeIndex);
        ColorGrid1->setBackgroundIndex(d.BackIndex);
    }
    ColorGrid1Change();
    SetExampleFont(d.FontName, d.FontSize, d.FontBold, d.FontItalic);
}

// ---------------------------------------------------------------------------
// Button operations

void TfrmMain::btnAddClick()
{
    if (pagMain->currentWidget() == tabIdentify)
        AddIdentifiedButton();
    else if (pagMain->currentWidget() == tabButtons)
        AddOrModifyMapping();
}

void TfrmMain::btnDeleteClick()
{
    if (pagMain->currentWidget() == tabIdentify)
        DeleteIdentifiedButton();
    else if (pagMain->currentWidget() == tabButtons)
        DeleteMapping();
}

void TfrmMain::btnClearClick()
{
    QWidget* page = pagMain->currentWidget();
    if (page == tabDescription) {
        txtTemplateDesc->clear();
        txtTemplateDesc->setFocus();
    } else if (page == tabIdentify) {
        txtIdentifyId->clear();
        txtIdentifyDesc->clear();
        lstIdentify->clearSelection();
        txtIdentifyDesc->setFocus();
    } else if (page == tabMode) {
        txtSwitchId->clear();
        txtSwitchDesc->clear();
        txtSwitchKey->clear();
        txtSwitchDesc->setFocus();
    } else if (page == tabButtons) {
        EmptyButtonFields();
        txtButtonPurpose->setFocus();
    }
}

void TfrmMain::AddIdentifiedButton()
{
    const QString id = txtIdentifyId->text();
    const QString description = txtIdentifyDesc->text();
    if (id.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("Please choose a button first"));
        txtIdentifyDesc->setFocus();
        return;
    }
    if (description.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("Please type a description for this button"));
        txtIdentifyDesc->setFocus();
        return;
    }
    const int i = IdentifiedIndex(id);
    if (i < 0)
        Doc.IdentifiedButtons.append({id, description});
    else
        Doc.IdentifiedButtons[i].Description = description; // keeps its place and mappings
    ShowIdentifiedList();
    DocumentChanged();
    txtIdentifyId->clear();
    txtIdentifyDesc->clear();
    QApplication::beep();
}

void TfrmMain::DeleteIdentifiedButton()
{
    const QString id = txtIdentifyId->text();
    const int i = IdentifiedIndex(id);
    QString refusal;
    if (Doc.IdentifiedButtons.isEmpty())
        refusal = QStringLiteral("There are no buttons to delete");
    else if (id.isEmpty())
        refusal = QStringLiteral("No button selected, you must select a button first");
    else if (i < 0)
        refusal = QStringLiteral("This button has not been added yet");
    else if (Doc.IsButtonProgrammed(id))
        refusal = QStringLiteral(
            "This button has been programmed, delete it from the \"Buttons\" tab first");
    else if (id == Doc.ModeSwitchButton)
        refusal = QStringLiteral(
            "This button is the mode switching button, clear it from the \"Mode\" tab first");
    if (!refusal.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information, refusal);
        return;
    }
    if (ShowMessage(QMessageBox::Question, Confirm, QStringLiteral("Delete this button")) !=
        QMessageBox::Ok)
        return;
    // A press during the question may have changed the field, not the
    // document: delete the button that passed the checks.
    Doc.IdentifiedButtons.removeAt(i);
    ShowIdentifiedList();
    DocumentChanged();
    btnClearClick();
}

void TfrmMain::AddOrModifyMapping()
{
    const QString id = txtButtonId->text();
    if (id.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("Button ID cannot be null"));
        txtButtonId->setFocus();
        return;
    }
    if (std::all_of(txtKey.begin(), txtKey.end(),
                    [](const QLineEdit* key) { return key->text().isEmpty(); })) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("You must specify a keystroke"));
        txtKey[0]->setFocus();
        return;
    }
    const int i = MappingIndex(id);
    if (i < 0 && CurrentMappings().size() >= MaxButtons) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("Maximum of %1 buttons allowed").arg(MaxButtons));
        return;
    }
    QApplication::beep();
    // A modified mapping keeps its newer keys (ACTION, RATE…), which this
    // page does not show.
    ButtonMapping mapping;
    if (i >= 0)
        mapping.Extras = CurrentMappings()[i].Extras;
    mapping.ButtonId = id;
    mapping.Purpose = txtButtonPurpose->text();
    mapping.Repeat = cmbRepeat->currentIndex() != 0;
    for (int k = 0; k < MaxSlots; ++k)
        mapping.Keystrokes[size_t(k)] = txtKey[size_t(k)]->text();
    const QString line = MappingLine(id, txtButtonDesc->text());
    if (i < 0) {
        CurrentMappings().append(mapping);
        lstButtonSummary->addItem(line);
    } else {
        CurrentMappings()[i] = mapping;
        delete lstButtonSummary->takeItem(i);
        lstButtonSummary->insertItem(i, line);
    }
    DocumentChanged();
    EmptyButtonFields();
}

void TfrmMain::DeleteMapping()
{
    const QString id = txtButtonId->text();
    const int i = MappingIndex(id);
    QString refusal;
    if (CurrentMappings().isEmpty())
        refusal = QStringLiteral("There are no buttons to delete in this mode");
    else if (id.isEmpty())
        refusal = QStringLiteral("No button selected, you must select a button first");
    else if (i < 0)
        refusal = QStringLiteral("This button has not been added yet");
    if (!refusal.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information, refusal);
        return;
    }
    if (ShowMessage(QMessageBox::Question, Confirm,
                    QStringLiteral("Delete this button for this mode")) != QMessageBox::Ok)
        return;
    // The mapping that passed the checks, whatever a press did to the fields.
    delete lstButtonSummary->takeItem(i);
    CurrentMappings().removeAt(i);
    DocumentChanged();
    // The list moves its selection to the next line; nothing is selected
    // once the fields are empty.
    lstButtonSummaryExit();
    EmptyButtonFields();
    txtButtonPurpose->setFocus();
}

void TfrmMain::lstIdentifyClick()
{
    const QList<QListWidgetItem*> selected = lstIdentify->selectedItems();
    if (selected.isEmpty())
        return;
    const int i = lstIdentify->row(selected.first());
    if (i < 0 || i >= Doc.IdentifiedButtons.size())
        return;
    const IdentifiedButton button = Doc.IdentifiedButtons[i];
    txtIdentifyId->setText(button.ButtonId);
    txtIdentifyDesc->setText(button.Description);
}

void TfrmMain::lstButtonSummaryClick()
{
    const QList<QListWidgetItem*> selected = lstButtonSummary->selectedItems();
    if (selected.isEmpty())
        return;
    const int i = lstButtonSummary->row(selected.first());
    if (i < 0 || i >= CurrentMappings().size())
        return;
    const ButtonMapping mapping = CurrentMappings()[i];
    txtButtonId->setText(mapping.ButtonId);
    txtButtonPurpose->setText(mapping.Purpose);
    cmbRepeat->setCurrentIndex(mapping.Repeat ? 1 : 0);
    for (int k = 0; k < MaxSlots; ++k)
        txtKey[size_t(k)]->setText(mapping.Keystrokes[size_t(k)]);
}

void TfrmMain::lstButtonSummaryExit()
{
    lstButtonSummary->clearSelection();
    lstButtonSummary->setCurrentRow(-1);
}

void TfrmMain::cmbModeChange()
{
    CurrentMode = cmbMode->currentIndex() + 1;
    EmptyButtonFields();
    FillModeList();
}

void TfrmMain::txtKey1DblClick(QLineEdit* field)
{
    frmSelect->lblCaller->setText(field->objectName());
    frmSelect->exec();
}

QLineEdit* TfrmMain::KeystrokeField(QObject* object) const
{
    auto* field = qobject_cast<QLineEdit*>(object);
    if (field &&
        (field == txtSwitchKey || std::find(txtKey.begin(), txtKey.end(), field) != txtKey.end()))
        return field;
    return nullptr;
}

void TfrmMain::FormKeyDown(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (pagMain->currentWidget() == tabIdentify || pagMain->currentWidget() == tabButtons)
        btnAddClick();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonDblClick && type != QEvent::FocusOut)
        return false;
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
        return false;
    if (type == QEvent::KeyPress) {
        // Once per key: the event is offered to each parent of the focused
        // control in turn. A key that closes a box never gets here: the box
        // is a window of its own.
        QWidget* target = focusWidget() ? focusWidget() : this;
        if (watched != target)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        // Space on a keystroke field picks its key as a double-click does,
        // so the keyboard alone can program a button.
        QLineEdit* field = KeystrokeField(watched);
        if (field && key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            txtKey1DblClick(field);
            return true;
        }
        FormKeyDown(key->key());
        return false;
    }
    if (type == QEvent::MouseButtonDblClick) {
        if (QLineEdit* field = KeystrokeField(watched)) {
            txtKey1DblClick(field);
            return true;
        }
        return false;
    }
    // Leaving the list for another control, not for a box or another window.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (watched == lstButtonSummary && reason != Qt::ActiveWindowFocusReason &&
        reason != Qt::PopupFocusReason)
        lstButtonSummaryExit();
    return false;
}

// ---------------------------------------------------------------------------
// Pages and settings

void TfrmMain::pagMainChange()
{
    Timer1->stop();
    QWidget* page = pagMain->currentWidget();
    if (page == tabIdentify) {
        Timer1->start();
    } else if (page == tabMode) {
        if (!txtSwitchId->text().isEmpty())
            txtSwitchDesc->setText(Doc.DescriptionOf(txtSwitchId->text()));
        Timer1->start();
    } else if (page == tabButtons) {
        FillModeList();
        RefreshModeNames();
        if (!txtButtonId->text().isEmpty()) {
            // A button deleted on the Identify page meanwhile is not shown.
            if (IdentifiedIndex(txtButtonId->text()) < 0)
                EmptyButtonFields();
            else
                txtButtonDesc->setText(Doc.DescriptionOf(txtButtonId->text()));
        }
        Timer1->start();
    } else if (page == tabSummary) {
        BuildCompleteSummary();
    }
}

void TfrmMain::ExplorerButton1Click()
{
    if (!ConfirmLosingChanges(QMessageBox::Question, Confirm,
                              QStringLiteral("Start a new template?")))
        return;
    ResetTemplate();
    DisableDeviceTypeChoice();
    Doc.DigitalDevice = true;
    ShowDeviceType();
    EnableDeviceTypeChoice();
    MarkSaved({});
}

void TfrmMain::ShowDeviceType()
{
    if (Doc.DigitalDevice)
        rbDigital->setChecked(true);
    else
        rbAnalogue->setChecked(true);
    if (joystick_)
        joystick_->setMessagesWanted(!Doc.DigitalDevice);
    DocumentChanged();
}

void TfrmMain::DocumentChanged()
{
    // The title names the file and marks unsaved changes ("flight.joy* —
    // Corvane"); a new document that was never saved has no name yet.
    const bool modified = IsModified();
    const QString name = QFileInfo(TemplateFileName).fileName();
    const QString title = name.isEmpty() && !modified
                              ? QStringLiteral("Corvane")
                              : QStringLiteral("%1%2 \u2014 Corvane")
                                    .arg(name.isEmpty() ? QStringLiteral("Untitled") : name,
                                         modified ? QStringLiteral("*") : QString());
    if (windowTitle() != title)
        setWindowTitle(title);
}

bool TfrmMain::ConfirmLosingChanges(QMessageBox::Icon kind, const QString& caption,
                                    const QString& text)
{
    if (!IsModified())
        return ShowMessage(kind, caption, text) == QMessageBox::Ok;
    const QString name = QFileInfo(TemplateFileName).fileName();
    const QString note = name.isEmpty()
                             ? QStringLiteral("This template has unsaved changes. Save them first?")
                             : QStringLiteral("%1 has unsaved changes. Save them first?").arg(name);
    switch (
        ShowMessage(kind, caption, text, note, QMessageBox::Save | QMessageBox::Discard, true)) {
    case QMessageBox::Save:
        return SaveDocument();
    case QMessageBox::Discard:
    case QMessageBox::Ok:
        return true;
    default:
        return false;
    }
}

void TfrmMain::MarkSaved(const QByteArray& bytes)
{
    savedDoc_ = Doc;
    savedBytes_ = bytes;
    DocumentChanged();
}

void TfrmMain::DisableDeviceTypeChoice()
{
    rbDigital->setEnabled(false);
    rbAnalogue->setEnabled(false);
}

void TfrmMain::EnableDeviceTypeChoice()
{
    rbDigital->setEnabled(true);
    rbAnalogue->setEnabled(true);
}

void TfrmMain::ChangeDeviceType(bool digital)
{
    if (Doc.DigitalDevice == digital)
        return;
    DisableDeviceTypeChoice();
    const QString text =
        digital
            ? QStringLiteral("Changing from Analog to Digital will clear all settings. Continue?")
            : QStringLiteral("Changing from Digital to Analog will clear all settings. Continue?");
    if (ConfirmLosingChanges(QMessageBox::Warning, Warning, text)) {
        Doc.DigitalDevice = digital;
        ResetTemplate();
    }
    ShowDeviceType();
    EnableDeviceTypeChoice();
}

void TfrmMain::rbDigitalClick()
{
    ChangeDeviceType(true);
}

void TfrmMain::rbAnalogueClick()
{
    ChangeDeviceType(false);
}

void TfrmMain::trkResponseChange()
{
    Doc.Response = trkResponse->value();
    lblResponseValue->setText(ResponseName(trkResponse->value()));
    DocumentChanged();
}

void TfrmMain::ColorGrid1Change()
{
    // A colour the file gave as a text off the grid stays until the user
    // picks that colour on the grid.
    const auto pick = [this](int index, int32_t& docIndex, uint32_t& colour, const char* key) {
        if (index != docIndex || !KeptColour(Doc, QLatin1String(key)))
            Doc.GlobalExtras.removeIf(
                [key](const auto& extra) { return extra.first == QLatin1String(key); });
        docIndex = index;
        if (!KeptColour(Doc, QLatin1String(key)))
            colour = GridColour(index);
    };
    pick(ColorGrid1->ForegroundIndex(), Doc.ForeIndex, Doc.ForeColour, "FORECOLOURS");
    pick(ColorGrid1->BackgroundIndex(), Doc.BackIndex, Doc.BackColour, "BACKCOLOURS");
    QPalette pal = pnlExample->palette();
    const auto shown = [this](const char* key, const QColor& grid) {
        const QString* kept = KeptColour(Doc, QLatin1String(key));
        const std::optional<ColourValue> value = kept ? ParseColourText(*kept) : std::nullopt;
        if (!value)
            return grid;
        switch (value->SystemColour) {
        case ColourValue::System::BtnFace:
            return palette().color(QPalette::Button);
        case ColourValue::System::WindowText:
            return palette().color(QPalette::WindowText);
        case ColourValue::System::None:
            break;
        }
        return QColor(int(value->Value & 0xFF), int((value->Value >> 8) & 0xFF),
                      int((value->Value >> 16) & 0xFF));
    };
    pal.setColor(QPalette::Window, shown("BACKCOLOURS", ColorGrid1->BackgroundColor()));
    pal.setColor(QPalette::WindowText, shown("FORECOLOURS", ColorGrid1->ForegroundColor()));
    pnlExample->setPalette(pal);
    DocumentChanged();
}

const QString* TfrmMain::KeptColour(const Template& doc, const QString& key)
{
    for (const auto& [name, text] : doc.GlobalExtras) {
        if (name == key)
            return &text;
    }
    return nullptr;
}

void TfrmMain::SetExampleFont(const QString& family, int pointSize, bool bold, bool italic)
{
    QFont f(family);
    // A size the font cannot take (a hand-edited file, a font given in
    // pixels) falls back to the window's.
    f.setPointSize(pointSize > 0 ? pointSize : font().pointSize());
    f.setBold(bold);
    f.setItalic(italic);
    pnlExample->setFont(f);
    Doc.FontName = family;
    Doc.FontSize = f.pointSize();
    Doc.FontBold = bold;
    Doc.FontItalic = italic;
    DocumentChanged();
}

void TfrmMain::btnFontClick()
{
    FontDialog1->setCurrentFont(pnlExample->font());
    if (FontDialog1->exec() != QDialog::Accepted)
        return; // the font stays as it was given to the dialog
    // Only what the template keeps; the colour stays the grid's.
    const QFont chosen = FontDialog1->selectedFont();
    SetExampleFont(chosen.family(), chosen.pointSize(), chosen.bold(), chosen.italic());
}

void TfrmMain::btnDefaultClick()
{
    ApplyDefaultAppearance();
}

void TfrmMain::ApplyDefaultAppearance()
{
    Doc.GlobalExtras.removeIf([](const auto& extra) {
        return extra.first == QLatin1String("FORECOLOURS") ||
               extra.first == QLatin1String("BACKCOLOURS");
    });
    ColorGrid1->setForegroundIndex(0);
    ColorGrid1->setBackgroundIndex(7);
    SetExampleFont(font().family(), font().pointSize(), false, false);
    ColorGrid1Change();
}

void TfrmMain::HintsOn1Click()
{
    hints_->SetShown(true);
    HintsOn1->setChecked(true);
    HintsOff1->setChecked(false);
}

void TfrmMain::HintsOff1Click()
{
    hints_->SetShown(false);
    HintsOn1->setChecked(false);
    HintsOff1->setChecked(true);
}

bool TfrmMain::HintsShown() const
{
    return hints_->Shown();
}

void TfrmMain::btnHelpClick()
{
    // A browser that does not start is not reported. The opener is started
    // detached, so that no defunct process of it stays behind the editor,
    // and so that the browser outlives the editor.
    const QUrl url = ManualUrl();
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty() || url.isEmpty() || !QProcess::startDetached(opener, {url.toString()}))
        QDesktopServices::openUrl(url);
}

void TfrmMain::btnExitClick()
{
    close();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A second request while the question is up is the same request.
    if (closeAsked_) {
        event->ignore();
        return;
    }
    closeAsked_ = true;
    const auto done = qScopeGuard([this] { closeAsked_ = false; });
    DisableDeviceTypeChoice();
    if (ConfirmLosingChanges(QMessageBox::Question, Confirm, QStringLiteral("Exit The Corvane?"))) {
        hints_->SetShown(false);
        Timer1->stop();
        event->accept();
        return;
    }
    event->ignore();
    EnableDeviceTypeChoice();
}

// ---------------------------------------------------------------------------
// Save, open, summary and printing

void TfrmMain::btnSaveClick()
{
    SaveDocument();
}

void TfrmMain::SaveAs1Click()
{
    SaveTemplateFile();
}

bool TfrmMain::SaveDocument()
{
    // The open file is written over without asking; a new one needs a name.
    return WriteTemplate(TemplateFileName.isEmpty());
}

void TfrmMain::btnOpenClick()
{
    OpenTemplateFile();
}

QString TfrmMain::AskFileName(bool save, const QString& start)
{
    // Made for each use: a dialog kept between uses keeps its completion
    // list too, which can stay on screen and swallow the next input. Qt's
    // own dialog: its overwrite question covers the name with the suffix
    // added, which a desktop's native dialog does not know of.
    QFileDialog dialog(this, save ? QStringLiteral("Save Joystick Template")
                                  : QStringLiteral("Open Joystick Template"));
    dialog.setObjectName(save ? QStringLiteral("dlgSave") : QStringLiteral("dlgOpen"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // Open, too, takes any name
    dialog.setNameFilters(
        {QStringLiteral("Joystick File (*.joy)"), QStringLiteral("Any File (*)")});
    dialog.setDefaultSuffix(QStringLiteral("joy"));
    if (!start.isEmpty()) {
        dialog.setDirectory(QFileInfo(start).absolutePath());
        // The name only, not a selection of the file in the list: a
        // selection would win over another name typed while the name field
        // does not have the keyboard.
        if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            const QSignalBlocker quiet(name);
            name->setText(QFileInfo(start).fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool TfrmMain::SaveTemplateFile()
{
    return WriteTemplate(true);
}

bool TfrmMain::WriteTemplate(bool askName)
{
    // Presses are handled while the dialog is open and can change the
    // document: what was checked is what is written.
    const Template snapshot = Doc;
    const QString refusal = CheckBeforeSave(snapshot);
    if (!refusal.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information, refusal);
        return false;
    }
    // The open file's folder and name, else the name last chosen here.
    const QString path =
        askName ? AskFileName(true, TemplateFileName.isEmpty() ? lastSaved_ : TemplateFileName)
                : TemplateFileName;
    if (path.isEmpty())
        return false;
    if (askName)
        lastSaved_ = path;
    QString error; // "Unable to write to" and the path
    // Nothing changed since the open: the file goes out as it came in.
    const QByteArray unchanged = snapshot == savedDoc_ ? savedBytes_ : QByteArray();
    QByteArray written;
    if (!SaveForEditing(snapshot, path, unchanged, &written, &error)) {
        ShowMessage(QMessageBox::Critical, Error, error);
        return false;
    }
    TemplateFileName = path;
    RecentFiles::Add(path);
    // A press during the dialog stays in the document as an unsaved change.
    const Template later = Doc;
    Doc = snapshot;
    MarkSaved(written);
    Doc = later;
    DocumentChanged();
    BuildCompleteSummary();
    return true;
}

void TfrmMain::OpenTemplateFile()
{
    const QString path = AskFileName(false, lastOpened_);
    if (path.isEmpty())
        return;
    lastOpened_ = path;
    OpenTemplatePath(path);
}

void TfrmMain::OpenTemplatePath(const QString& path)
{
    Template opened;
    OpenResult result = OpenForEditing(path, opened);
    if (result.status != OpenResult::Opened) {
        ShowMessage(result.icon, result.caption, result.text);
        return;
    }
    // Only unsaved changes are asked about; a document without them is
    // replaced as it always was.
    if (IsModified()) {
        if (!ConfirmLosingChanges(QMessageBox::Question, Confirm,
                                  QStringLiteral("Open %1?").arg(QFileInfo(path).fileName())))
            return;
        // The save may have written the very file to open.
        result = OpenForEditing(path, opened);
        if (result.status != OpenResult::Opened) {
            ShowMessage(result.icon, result.caption, result.text);
            return;
        }
    }
    // From here on nothing asks: the open document is replaced.
    ResetTemplate();
    DisableDeviceTypeChoice();
    Doc = opened;
    ShowDocument();
    EnableDeviceTypeChoice();
    TemplateFileName = path;
    RecentFiles::Add(path);
    MarkSaved(result.bytes);
    FillModeList();
    BuildCompleteSummary();
    if (pagMain->currentWidget() == tabButtons) {
        RefreshModeNames();
        txtButtonPurpose->setFocus();
    }
    if (!result.warnings.isEmpty())
        ShowMessage(QMessageBox::Information, Information, result.warnings.join(u'\n'));
}

void TfrmMain::BuildCompleteSummary()
{
    // Without identified buttons the summary on show stays as it is.
    if (Doc.IdentifiedButtons.isEmpty())
        return;
    RefreshModeNames();
    lstCompleteSummary->clear();
    lstCompleteSummary->addItems(BuildSummaryLines(Doc, TemplateFileName));
}

void TfrmMain::btnPrintClick()
{
    // What prints is what the document holds now.
    BuildCompleteSummary();
    const QStringList lines = Lines(lstCompleteSummary);
    if (lines.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("No summary data to print"));
        return;
    }
    QString error;
    if (HasDefaultPrinter()) {
        if (ShowMessage(QMessageBox::Question, Confirm,
                        QStringLiteral("Print Summary data to default printer?")) !=
            QMessageBox::Ok)
            return;
        error = PrintSummary(lines);
    } else {
        // Many desktops have no printer: a PDF file is the next best thing.
        if (ShowMessage(QMessageBox::Question, Confirm,
                        QStringLiteral("No printer is installed. Save the summary data as a PDF "
                                       "file instead?")) != QMessageBox::Ok)
            return;
        QFileDialog dialog(this, QStringLiteral("Save Summary as PDF"));
        dialog.setObjectName(QStringLiteral("dlgPdf"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("PDF File (*.pdf)"));
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        error = PrintSummary(lines, dialog.selectedFiles().constFirst());
    }
    if (!error.isEmpty())
        ShowMessage(QMessageBox::Critical, Error, error);
}

} // namespace corv::editor
