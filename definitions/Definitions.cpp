#include "definitions/Definitions.h"
