#include "VendraTest.h"
