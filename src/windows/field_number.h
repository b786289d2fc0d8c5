#pragma once
// Numbers typed into a field, read the way the windows' fields have always read them: the
// number at the start, any unit after it ignored, 0 when there is none. Locale-free, so "4.5"
// reads the same whatever the desktop's number format.

#include <QString>

namespace field_number {

// A real number, held within +-1e6 so that it converts to any slider unit safely.
double ReadReal(const QString& field);
// An integer, as atoi reads it; a fraction is cut off.
int ReadInt(const QString& field);

}  // namespace field_number
