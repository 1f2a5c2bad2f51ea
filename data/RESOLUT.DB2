EMPs AmPs|
DmPs EMPs AmPs|
BmPs EMPs AmPs|
FMPS EMPs AmPs|
DmPs AMPS|
