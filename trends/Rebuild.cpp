#include "trends/Rebuild.h"
