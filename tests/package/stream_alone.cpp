#include <gaussbound/Stream.h>
