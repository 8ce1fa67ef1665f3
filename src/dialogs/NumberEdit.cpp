#include "dialogs/NumberEdit.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QValidator>

namespace {
class UpToValidator final : public QValidator {
  public:
    UpToValidator(int max, QObject* parent) : QValidator(parent), max_(max) {}
    State validate(QString& input, int&) const override {
        // Blanks before the number, as in the other number edits; none after.
        qsizetype start = 0;
        while (start < input.size() && input[start] == ' ')
            ++start;
        const QString digits = input.mid(start);
        if (digits.isEmpty())
            return Intermediate;
        if (digits.size() > 3)
            return Invalid;
        for (QChar c : digits)
            if (c < '0' || c > '9')
                return Invalid;
        return digits.toInt() <= max_ ? Acceptable : Invalid;
    }

  private:
    int max_;
};
}  // namespace

void AcceptWholeNumbersOnly(QLineEdit* edit, NumberSign sign) {
    // Intermediate states (" ", "-") are acceptable too: the edit reads them
    // as 0, as it always has, and the user can go on typing.
    const QString pattern =
        sign == NumberSign::Signed ? QStringLiteral(" *-?[0-9]*") : QStringLiteral(" *[0-9]*");
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
}

void AcceptNumbersUpTo(QLineEdit* edit, int max) {
    edit->setValidator(new UpToValidator(max, edit));
}
