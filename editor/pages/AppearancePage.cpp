#include "editor/pages/AppearancePage.h"

#include "template/Colour.h"
#include "widgets/TColorGrid.h"

#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace corv::editor
{

AppearancePage::AppearancePage(Template& doc, QTabWidget* pages)
    : EditorPage(doc, pages, "tabAppearance", "Appearance",
                 QStringLiteral("Mode Window Colours and Fonts:"))
{
    tabAppearance = this;
    QGroupBox* group = Group();
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
    connect(ColorGrid1, &TColorGrid::OnChange, this, &AppearancePage::ColorGrid1Change);
    connect(btnFont, &QPushButton::clicked, this, &AppearancePage::btnFontClick);
    connect(btnDefault, &QPushButton::clicked, this, &AppearancePage::btnDefaultClick);

    FontDialog1 = new QFontDialog(this);
    FontDialog1->setObjectName(QStringLiteral("FontDialog1"));
    FontDialog1->setOption(QFontDialog::DontUseNativeDialog);
}

void AppearancePage::ShowDocument()
{
    // The grid reports both colours on every change: work from a copy.
    const Template d = doc_;
    {
        // Both positions at once: halfway, the grid would look like a pick.
        const QSignalBlocker quiet(ColorGrid1);
        ColorGrid1->setForegroundIndex(d.ForeIndex);
        ColorGrid1->setBackgroundIndex(d.BackIndex);
    }
    ColorGrid1Change();
    SetExampleFont(d.FontName, d.FontSize, d.FontBold, d.FontItalic);
}

void AppearancePage::ColorGrid1Change()
{
    // A colour the file gave as a text off the grid stays until the user
    // picks that colour on the grid.
    const auto pick = [this](int index, int32_t& docIndex, uint32_t& colour, const char* key) {
        if (index != docIndex || !KeptColour(doc_, QLatin1String(key)))
            doc_.GlobalExtras.removeIf(
                [key](const auto& extra) { return extra.first == QLatin1String(key); });
        docIndex = index;
        if (!KeptColour(doc_, QLatin1String(key)))
            colour = GridColour(index);
    };
    pick(ColorGrid1->ForegroundIndex(), doc_.ForeIndex, doc_.ForeColour, "FORECOLOURS");
    pick(ColorGrid1->BackgroundIndex(), doc_.BackIndex, doc_.BackColour, "BACKCOLOURS");
    QPalette pal = pnlExample->palette();
    // System colours as the window shows them.
    const QPalette& system = window()->palette();
    const auto shown = [this, &system](const char* key, const QColor& grid) {
        const QString* kept = KeptColour(doc_, QLatin1String(key));
        const std::optional<ColourValue> value = kept ? ParseColourText(*kept) : std::nullopt;
        if (!value)
            return grid;
        switch (value->SystemColour) {
        case ColourValue::System::BtnFace:
            return system.color(QPalette::Button);
        case ColourValue::System::WindowText:
            return system.color(QPalette::WindowText);
        case ColourValue::System::None:
            break;
        }
        return QColor(int(value->Value & 0xFF), int((value->Value >> 8) & 0xFF),
                      int((value->Value >> 16) & 0xFF));
    };
    pal.setColor(QPalette::Window, shown("BACKCOLOURS", ColorGrid1->BackgroundColor()));
    pal.setColor(QPalette::WindowText, shown("FORECOLOURS", ColorGrid1->ForegroundColor()));
    pnlExample->setPalette(pal);
    emit DocumentEdited();
}

const QString* AppearancePage::KeptColour(const Template& doc, const QString& key)
{
    for (const auto& [name, text] : doc.GlobalExtras) {
        if (name == key)
            return &text;
    }
    return nullptr;
}

void AppearancePage::SetExampleFont(const QString& family, int pointSize, bool bold, bool italic)
{
    QFont f(family);
    // A size the font cannot take (a hand-edited file, a font given in
    // pixels) falls back to the window's.
    f.setPointSize(pointSize > 0 ? pointSize : window()->font().pointSize());
    f.setBold(bold);
    f.setItalic(italic);
    pnlExample->setFont(f);
    doc_.FontName = family;
    doc_.FontSize = f.pointSize();
    doc_.FontBold = bold;
    doc_.FontItalic = italic;
    emit DocumentEdited();
}

void AppearancePage::btnFontClick()
{
    FontDialog1->setCurrentFont(pnlExample->font());
    if (FontDialog1->exec() != QDialog::Accepted)
        return; // the font stays as it was given to the dialog
    // Only what the template keeps; the colour stays the grid's.
    const QFont chosen = FontDialog1->selectedFont();
    SetExampleFont(chosen.family(), chosen.pointSize(), chosen.bold(), chosen.italic());
}

void AppearancePage::btnDefaultClick()
{
    ApplyDefaultAppearance();
}

void AppearancePage::ApplyDefaultAppearance()
{
    doc_.GlobalExtras.removeIf([](const auto& extra) {
        return extra.first == QLatin1String("FORECOLOURS") ||
               extra.first == QLatin1String("BACKCOLOURS");
    });
    ColorGrid1->setForegroundIndex(0);
    ColorGrid1->setBackgroundIndex(7);
    const QFont& font = window()->font();
    SetExampleFont(font.family(), font.pointSize(), false, false);
    ColorGrid1Change();
}

} // namespace corv::editor
