#pragma once

class QLineEdit;

// Whether a number edit takes a minus sign.
enum class NumberSign { Unsigned, Signed };

// Lets only a whole number be typed into an edit: digits, with a leading minus
// where a negative value means something. Blanks before the number stay
// acceptable, as the program itself writes right-aligned numbers ("%5d").
// Text set by the program is not checked; only what the user types.
void AcceptWholeNumbersOnly(QLineEdit* edit, NumberSign sign);
