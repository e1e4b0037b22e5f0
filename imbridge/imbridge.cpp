#include "imbridge/imbridge.h"
