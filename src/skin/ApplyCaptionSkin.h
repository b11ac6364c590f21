#pragma once

class QWidget;

namespace velmora::skin {

class cNeoCaption;

// Dresses a form in the program's skin: the caption painter gets the skin's
// colours and fonts and is attached to the form with the caption and border
// images (kept in the form's hidden picture boxes PicCaption and PicBorder,
// made here when the form has none), and the form gets its background
// colour (the inactive-border colour for the main window "sq", the
// inactive-caption-text colour for every other form).
//
// Call it once from the form's load step, before the form is first shown and
// after its menu bar (if any) is built: the form becomes a frameless window
// whose frame and caption the skin draws, and its client area lies inside
// the frame margins (contents margins). The caption painter must live as
// long as the form.
void ApplyCaptionSkin(QWidget *form, cNeoCaption *caption);

} // namespace velmora::skin
