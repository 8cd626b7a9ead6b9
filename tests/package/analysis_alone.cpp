#include <gaussbound/Analysis.h>
