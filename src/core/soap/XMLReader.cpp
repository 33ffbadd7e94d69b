#include "soap/XMLReader.h"

#include <QXmlStreamReader>

namespace {

const QString textKey = QStringLiteral("text");

// Texts longer than this are attribute values that rarely repeat; sharing them would only grow
// the table.
constexpr qsizetype maximumSharedLength = 64;

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
    _error.clear();
    _progress.clear();
    _stack.clear();
    _stack.append(OpenElement{});

    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (_stack.size() > maximumDepth) {
                reader.raiseError(QStringLiteral("Elements nested more than %1 deep").arg(maximumDepth));
                break;
            }
            startElement(reader);
            break;
        case QXmlStreamReader::Characters:
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
        _error = reader.errorString();
        _stack.clear();
        _sharedTexts.clear();
        return std::nullopt;
    }
    QVariantMap root = std::move(_stack.first().dictionary);
    _stack.clear();
    _sharedTexts.clear();
    return root;
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
