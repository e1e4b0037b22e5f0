#include "platform/oledate.h"
