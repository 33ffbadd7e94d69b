#pragma once

#include "windows/LoginWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

// Types the sign-in details into the login window as a person would and signs in: the window
// writes its fields through to the live settings, so setting those directly would be overwritten.
inline void typeSignIn(LoginWindow &login, const QString &host, quint16 port, bool https, const QString &user,
                       const QString &password)
{
    auto type = [](QLineEdit *field, const QString &text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    };
    type(login.serverNameField(), host);
    if (login.useHTTPSBox()->isChecked() != https)
        login.useHTTPSBox()->click();
    type(login.portField(), QString::number(port));
    type(login.userNameField(), user);
    type(login.passwordField(), password);
    login.login();
}
