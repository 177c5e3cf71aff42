#include "definitions/DataFile.h"
