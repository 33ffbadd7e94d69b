#pragma once

#include <QString>

// The three-character entity escaping that hand-built SOAP envelopes need.
namespace NSStringExtended {

// A missing (null) string becomes the empty string.
QString validString(const QString &string);

// & < > become &amp; &lt; &gt; (ampersands first, so the others are not escaped twice).
QString stringByAddingHTMLEntities(const QString &string);

// &amp; &lt; &gt; become & < >, in that order; no other entity is known.
QString stringByRemovingHTMLEntites(const QString &string);

} // namespace NSStringExtended
