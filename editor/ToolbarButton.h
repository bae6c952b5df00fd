#pragma once

class QWidget;

namespace corv
{
class TExplorerButton;
} // namespace corv

namespace corv::editor
{

// Adds a button to the editor's toolbar bar, after the ones it holds: its
// image is the 16 x 16 drawing of ":/icons/<image>.svg".
TExplorerButton* AddToolbarButton(QWidget* bar, const char* name, const char* caption,
                                  const char* hint, const char* image);

} // namespace corv::editor
