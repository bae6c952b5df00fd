#include "editor/pages/DescriptionPage.h"

#include "widgets/TUrlLabel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace corv::editor
{

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
    auto* page = static_cast<QVBoxLayout*>(layout());
    page->addWidget(group);
    page->addStretch();
}

void DescriptionPage::ShowDocument()
{
    txtTemplateDesc->setText(doc_.Description);
}

void DescriptionPage::Clear()
{
    txtTemplateDesc->clear();
    txtTemplateDesc->setFocus();
}

} // namespace corv::editor
