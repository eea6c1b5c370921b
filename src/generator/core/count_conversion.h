#pragma once

#include <QString>

// The count box's text as a 32-bit whole number: blanks around it are ignored, commas after the
// first digit are taken for thousands separators and dropped, a fraction is rounded to the
// nearest whole number (a half to the even one) and an exponent is allowed. Throws Failure
// "Type mismatch" for text that is not a number and "Overflow" for a number outside the 32-bit
// range. "&H" and "&O" begin a hexadecimal or an octal number of at most 32 bits, which
// &H80000000 to &HFFFFFFFF fill with the negative numbers.
int convertCount(const QString &text);
