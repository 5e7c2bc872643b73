#pragma once
// Password fields that draw each typed character as a character of the window's choosing.

#include <QChar>

class QLineEdit;

// Hides the text of the edit, drawing every character as `mask` whatever the style's own.
void SetPasswordChar(QLineEdit* edit, QChar mask);
