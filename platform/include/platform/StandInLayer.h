/* What the stand-in layer library exports, for programs that check which library they loaded. */
#pragma once

/* StandInLayerMagic() returns this value ("DVTA"). */
#define STANDIN_LAYER_MAGIC 0x44565441u
