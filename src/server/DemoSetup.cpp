#include "DemoSetup.h"

#include "RequestLog.h"
#include "ServerContext.h"

void setUpDemo(ServerContext &context)
{
    if (!context.users.isEmpty()) {
        logLine("demo: the data folder has users already; nothing added");
        return;
    }
    User demo;
    demo.name = "demo";
    demo.rights = Rights::everything();
    demo.quota = uint64_t(10) << 30;
    demo.description = "Demo account";
    demo.email = "demo@example.invalid";
    std::string error;
    if (!context.users.add(demo, "demo", error))
        throw DatabaseError(error);
    const int64_t userId = context.users.find("demo")->id;
    Album holidays, sub, family;
    context.albums.createAlbum(userId, 0, "Holidays", "Trips and holidays", holidays);
    context.albums.createAlbum(userId, holidays.id, "2019", "", sub);
    context.albums.createAlbum(userId, 0, "Family", "", family);
    logLine("demo: created user \"demo\" with every right and three albums");
}
