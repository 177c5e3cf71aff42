#include "samples/SampleTrends.h"
