#include "tools/Sort.h"
