#include "trends/Batch.h"
