#include "trends/Builders.h"
