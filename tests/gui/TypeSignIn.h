#pragma once

#include "windows/LoginWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

// Replaces a field's text by typing, as a person would.
inline void typeInto(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Types the sign-in details into the login window as a person would and signs in: the window
// writes its fields through to the live settings, so setting those directly would be overwritten.
inline void typeSignIn(LoginWindow &login, const QString &host, quint16 port, bool https, const QString &user,
                       const QString &password)
{
    typeInto(login.serverNameField(), host);
    if (login.useHTTPSBox()->isChecked() != https)
        login.useHTTPSBox()->click();
    typeInto(login.portField(), QString::number(port));
    typeInto(login.userNameField(), user);
    typeInto(login.passwordField(), password);
    login.login();
}
