#pragma once
// Colours that carry a meaning, taken from the widget's palette so that they read on any
// theme, light or dark.

class QWidget;

namespace kivora::ui {

// A field whose text cannot be taken: its "invalid" property set and its background
// tinted red from the palette's own; cleared, it takes the palette it inherits again.
void MarkInvalid(QWidget* field, bool invalid);

// A note drawn in the palette's link colour, apart from the texts around it.
void ShowAsNote(QWidget* label);

}  // namespace kivora::ui
