#pragma once

class QVariant;

// Whether a value holds a number of any kind, booleans included: both the parameters we send and the
// typed leaves we decode carry their numbers as QVariants that remember the kind they were made with.
bool isNumericVariant(const QVariant &value);
