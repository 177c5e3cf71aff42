#include "tools/FileTools.h"
