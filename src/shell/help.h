#pragma once

#include <QString>

// The help message: where to send questions.
QString helpText();
