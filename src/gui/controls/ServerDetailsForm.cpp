#include "controls/ServerDetailsForm.h"

#include "common/MessageText.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>

QFormLayout *serverDetailsForm(const ServerDetailsFields &fields)
{
    auto *portRow = new QHBoxLayout;
    portRow->addWidget(fields.port);
    portRow->addSpacing(12);
    portRow->addWidget(fields.useHTTPS);
    portRow->addStretch();

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    const auto label = [](const char *key, QWidget *buddy) {
        auto *text = new QLabel(messageText(QString::fromLatin1(key)) + QLatin1Char(':'));
        text->setBuddy(buddy);
        return text;
    };
    form->addRow(label("Text_LoginServer", fields.server), fields.server);
    form->addRow(label("Text_LoginPort", fields.port), portRow);
    form->addRow(label("Text_LoginUserName", fields.userName), fields.userName);
    form->addRow(label("Text_LoginPassword", fields.password), fields.password);
    form->addRow(QString(), fields.savePassword);
    return form;
}
