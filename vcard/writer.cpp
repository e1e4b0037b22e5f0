#include "vcard/writer.h"
