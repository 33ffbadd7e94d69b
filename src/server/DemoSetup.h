#pragma once

struct ServerContext;

// Fills a data folder without users with the demo account: user "demo", password "demo", every
// right, 10 GiB, and the albums Holidays, Holidays/2019 and Family. Leaves other folders alone.
void setUpDemo(ServerContext &context);
