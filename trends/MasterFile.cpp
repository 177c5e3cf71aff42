#include "trends/MasterFile.h"
