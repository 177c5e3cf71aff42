#include "trends/Services.h"
