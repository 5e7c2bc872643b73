#pragma once

class QApplication;

// The application-wide settings: title, right-to-left layout and a font that draws Persian
// the Persian way.
void setupApplication(QApplication& app);
