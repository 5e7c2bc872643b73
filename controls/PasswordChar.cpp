#include "controls/PasswordChar.h"

#include <QLineEdit>
#include <QProxyStyle>

namespace {

// The style asks for the masking character; every other question goes to the usual style.
class PasswordCharStyle : public QProxyStyle {
public:
    explicit PasswordCharStyle(QChar mask) : m_mask(mask) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter) return m_mask.unicode();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar m_mask;
};

}  // namespace

void SetPasswordChar(QLineEdit* edit, QChar mask)
{
    auto* style = new PasswordCharStyle(mask);
    style->setParent(edit);
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
}
