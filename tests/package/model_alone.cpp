#include <gaussbound/Model.h>
