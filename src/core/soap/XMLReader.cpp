#include "soap/XMLReader.h"

#include <QXmlStreamReader>

namespace {

const QString textKey = QStringLiteral("text");

// Texts longer than this are attribute values that rarely repeat; sharing them would only grow
// the table.
constexpr qsizetype maximumSharedLength = 64;

// The parser gets the document in pieces of this size; it decodes only what it has been given.
constexpr qsizetype pieceSize = 64 * 1024;

// What the tree spends, in bytes, beyond the characters of its texts (two bytes each): an element's
// map and its entry in the parent, and an attribute's entry in the map, allocator overhead
// included. Measured on a reply of album assets (the tree took 7.5 times the reply) and rounded up.
constexpr qsizetype elementCost = 240;
constexpr qsizetype attributeCost = 144;

void insertChild(QVariantMap &parent, const QString &name, QVariantMap &&child)
{
    auto existing = parent.find(name);
    if (existing == parent.end()) {
        parent.insert(name, QVariant(std::move(child)));
        return;
    }
    if (existing->typeId() == QMetaType::QVariantList) {
        // Only the reader makes lists (attributes are strings), so this is the array of earlier
        // siblings of the same name.
        static_cast<QVariantList *>(existing->data())->append(QVariant(std::move(child)));
        return;
    }
    QVariantList siblings;
    siblings.reserve(4);
    siblings.append(std::move(*existing));
    siblings.append(QVariant(std::move(child)));
    *existing = QVariant(std::move(siblings));
}

qsizetype attributesCost(const QXmlStreamAttributes &attributes)
{
    qsizetype cost = 0;
    for (const QXmlStreamAttribute &attribute : attributes)
        cost += attributeCost + 2 * attribute.value().size();
    return cost;
}

} // namespace

std::optional<QVariantMap> XMLReader::dictionaryForXMLData(const QByteArray &data, Error &error)
{
    XMLReader reader;
    return reader.objectWithData(data, error);
}

std::optional<QVariantMap> XMLReader::dictionaryForXMLString(const QString &string, Error &error)
{
    return dictionaryForXMLData(string.toUtf8(), error);
}

std::optional<QVariantMap> XMLReader::objectWithData(const QByteArray &data, Error &)
{
    _progress.clear();
    _stack.clear();
    _stack.append(OpenElement{});
    _budget = maximumExpansion * data.size() + expansionAllowance;

    QXmlStreamReader reader;
    reader.setNamespaceProcessing(false);
    qsizetype given = 0;
    const auto giveNextPiece = [&] {
        const qsizetype size = qMin(pieceSize, data.size() - given);
        reader.addData(QByteArray(data.constData() + given, size));
        given += size;
    };
    giveNextPiece();
    const QString tooLarge =
        QStringLiteral("The document would take more than %1 times its size to hold").arg(maximumExpansion);
    for (;;) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && given < data.size()) {
            giveNextPiece();
            continue;
        }
        if (reader.atEnd())
            break;
        switch (token) {
        case QXmlStreamReader::StartElement:
            if (_stack.size() > maximumDepth) {
                reader.raiseError(QStringLiteral("Elements nested more than %1 deep").arg(maximumDepth));
                break;
            }
            if (!spend(elementCost + attributesCost(reader.attributes()))) {
                reader.raiseError(tooLarge);
                break;
            }
            startElement(reader);
            break;
        case QXmlStreamReader::Characters:
            if (!spend(2 * reader.text().size())) {
                reader.raiseError(tooLarge);
                break;
            }
            _progress.append(reader.text());
            break;
        case QXmlStreamReader::EndElement:
            endElement();
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        _stack.clear();
        _sharedTexts.clear();
        return std::nullopt;
    }
    QVariantMap root = std::move(_stack.first().dictionary);
    _stack.clear();
    _sharedTexts.clear();
    return root;
}

bool XMLReader::spend(qsizetype bytes)
{
    _budget -= bytes;
    return _budget >= 0;
}

void XMLReader::startElement(const QXmlStreamReader &reader)
{
    OpenElement element{shared(reader.qualifiedName()), {}};
    for (const QXmlStreamAttribute &attribute : reader.attributes())
        element.dictionary.insert(shared(attribute.qualifiedName()), shared(attribute.value()));
    _stack.append(std::move(element));
}

void XMLReader::endElement()
{
    OpenElement element = std::move(_stack.last());
    _stack.removeLast();
    if (!_progress.isEmpty()) {
        element.dictionary.insert(textKey, _progress);
        _progress = QString();
    }
    insertChild(_stack.last().dictionary, element.name, std::move(element.dictionary));
}

QString XMLReader::shared(QStringView text)
{
    if (text.size() > maximumSharedLength)
        return text.toString();
    auto found = _sharedTexts.constFind(text);
    if (found != _sharedTexts.constEnd())
        return *found;
    QString copy = text.toString();
    // The key views the stored copy's characters, which stay put while the copy lives in the table.
    _sharedTexts.insert(QStringView(copy), copy);
    return copy;
}
