#pragma once

#include "template/Template.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <initializer_list>

class QGridLayout;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace corv::editor
{

class TfrmSelect;

// One page of the editor's notebook. A page shows its part of the document
// and writes every change of its controls straight back into it, then
// emits DocumentEdited. The window that holds the pages owns the document
// and tells a page what happens to it: a new or opened document, the page
// coming to the front, a joystick press and the toolbar's Add, Delete and
// Clear while it is shown. A page that gains controls handles them itself.
class EditorPage : public QWidget
{
    Q_OBJECT
public:
    // What the text fields take, so that a save never loses text: a file
    // value is read back to 1023 characters, a button's description to 255.
    static constexpr int MaxTextLength = 1023;
    static constexpr int MaxButtonDescLength = 255;
    // The page tabs' look: all nine in one row, without scroll buttons.
    static QString TabBarStyle();

    // Adds itself to pages under caption, holding one group box (Group()).
    EditorPage(Template& doc, QTabWidget* pages, const char* name, const char* caption,
               const QString& groupCaption);

    // A new document: what was typed and not added goes. Every page is
    // reset before any shows the document.
    virtual void ResetFields() {}
    // Puts the document's values into the controls.
    virtual void ShowDocument() {}
    // The page has just come to the front.
    virtual void PageShown() {}
    // Whether the joystick is read while the page is shown, and what a
    // press of the ButtonId id shows on it.
    virtual bool ReadsJoystick() const { return false; }
    virtual void ShowPress(const QString& id) { Q_UNUSED(id) }
    // The toolbar's Add (also Enter), Delete and Clear.
    virtual void Add() {}
    virtual void Delete() {}
    virtual void Clear() {}
    // Says on the page that no joystick is there to identify buttons.
    virtual void ShowJoystickMissing(bool missing) { Q_UNUSED(missing) }
    // A key pressed in the window while the page is shown, once, wherever
    // the focus is; after the frame's own keys.
    virtual void KeyPressed(const QKeyEvent& key) { Q_UNUSED(key) }

    // The index of the last line equal to text (whole, case-sensitive), or -1.
    static int IndexOfText(const QStringList& lines, const QString& text);
    // A line of lstIdentify or lstButtonSummary.
    static QString MappingLine(const QString& buttonId, const QString& description);

signals:
    void DocumentEdited();

protected:
    QGroupBox* Group() const { return group_; }
    // Where a ButtonId stands among the identified buttons, or -1.
    int IdentifiedIndex(const QString& buttonId) const;

    static QLabel* Explanation(const QString& text, QWidget* parent);
    static QLineEdit* Field(const char* name, const QString& hint, bool readOnly, QWidget* parent);
    // A list of TAB-separated lines; a first column of ButtonIds widens its
    // stop to hold the longest.
    static QListWidget* List(const char* name, int tabStop, QWidget* parent, bool ids = false);
    // Adds the texts as rows of a grid, each across all its columns, from
    // row on; gives the row after them.
    static int AddExplanations(QGridLayout* layout, int row,
                               std::initializer_list<const char*> texts, QWidget* parent);
    // Says why the page cannot identify buttons; hidden until asked.
    static QLabel* NoJoystickLabel(const char* name, QWidget* parent);
    // A read-only field that the keystroke dialog fills, on a double-click
    // or Space; with the modifier boxes of the dialog when modifiers.
    QLineEdit* KeystrokeField(const char* name, TfrmSelect* dialog, bool modifiers,
                              QWidget* parent);
    void txtKey1DblClick(QLineEdit* field);
    bool eventFilter(QObject* watched, QEvent* event) override;

    Template& doc_;

private:
    QGroupBox* group_;
    TfrmSelect* frmSelect_ = nullptr;
    bool keystrokeModifiers_ = true;
    QList<QLineEdit*> keystrokeFields_;
};

} // namespace corv::editor
