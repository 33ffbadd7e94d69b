#pragma once

class QFormLayout;
class QWidget;

// The connection details as the sign-in window and the profile pane both lay them out.
struct ServerDetailsFields
{
    QWidget *server;
    QWidget *port;
    QWidget *useHTTPS;
    QWidget *userName;
    QWidget *password;
    QWidget *savePassword;
};

// A form of labelled rows (server, port with the HTTPS switch beside it, user name, password) and
// the save-password switch; the caller installs it and may add rows below.
QFormLayout *serverDetailsForm(const ServerDetailsFields &fields);
