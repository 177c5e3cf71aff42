#include "tools/Errors.h"
