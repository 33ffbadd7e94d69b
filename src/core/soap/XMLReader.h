#pragma once

#include "common/Error.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantMap>

#include <optional>

class QXmlStreamReader;

// Turns an XML document into a tree of QVariantMaps keyed by qualified names as written (no
// namespace resolution): attributes as strings, children as maps, repeated children as a list of
// maps in document order, character data under "text". One text accumulator serves the whole
// document, so text before a first child is credited to that child and text after the last child to
// the parent; replies from the server carry no white space between elements.
//
// Hostile input is bounded: nesting deeper than maximumDepth, entity expansion beyond
// QXmlStreamReader's limit, a tree that would take more than maximumExpansion times the document's
// size (plus expansionAllowance) and anything that is not well-formed make the parse fail. The tree
// is built with an explicit stack, never by recursion, and the document is handed to the parser in
// pieces, so that it is never held decoded whole.
class XMLReader
{
public:
    static constexpr int maximumDepth = 256;
    // Album listings take about eight times their size as nested maps.
    static constexpr qsizetype maximumExpansion = 10;
    static constexpr qsizetype expansionAllowance = 16 << 20;

    // The tree's root holds one entry: the document element under its name. Returns nothing when
    // the document is not well-formed or too deep. The error out-parameter is left untouched; callers
    // report the failure in their own words.
    static std::optional<QVariantMap> dictionaryForXMLData(const QByteArray &data, Error &error);
    static std::optional<QVariantMap> dictionaryForXMLString(const QString &string, Error &error);

    // The parse itself; use a fresh reader for every document.
    std::optional<QVariantMap> objectWithData(const QByteArray &data, Error &error);

private:
    struct OpenElement
    {
        QString name;
        QVariantMap dictionary;
    };

    void startElement(const QXmlStreamReader &reader);
    void endElement();
    // Element and attribute names and attribute values repeat endlessly in a reply; one shared
    // QString per distinct text saves an allocation for each occurrence.
    QString shared(QStringView text);

    // Counts what an element, an attribute or a text costs in the tree, as measured on this
    // platform's containers; false once the document's budget is spent.
    bool spend(qsizetype bytes);

    QList<OpenElement> _stack;
    QString _progress;
    QHash<QStringView, QString> _sharedTexts;
    qsizetype _budget = 0;
};
