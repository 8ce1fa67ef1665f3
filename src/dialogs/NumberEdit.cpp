#include "dialogs/NumberEdit.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

void AcceptWholeNumbersOnly(QLineEdit* edit, NumberSign sign) {
    // Intermediate states (" ", "-") are acceptable too: the edit reads them
    // as 0, as it always has, and the user can go on typing.
    const QString pattern =
        sign == NumberSign::Signed ? QStringLiteral(" *-?[0-9]*") : QStringLiteral(" *[0-9]*");
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
}
