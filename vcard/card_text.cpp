#include "vcard/card_text.h"
