#pragma once

class QApplication;
class QString;

// The program's title: the caption of its message boxes. Window captions stand alone, as given,
// so that Qt does not append it to each of them and cut the short ones off.
QString applicationTitle();

// The application-wide settings: title, right-to-left layout and a font that draws Persian
// the Persian way.
void setupApplication(QApplication& app);
