// Forward declarations of the social client's classes, so headers can name
// them without including their definitions.
#pragma once

namespace quorvel {
// runtime
class QVDelegate;
class QVDelegateChained;
class QVCallbackable;
class QVDelegatesContainer;
class QVISerializer;
class QVHttpNestedQueryStringWriter;
class QVBinaryKeyedWriter;
class QVBinaryKeyedReader;
struct QVXmlElement;
class QVXmlDocument;
class QVResource;
class QVResourceClass;
class QVResourceDataMap;
class QVResourceNameMap;
class QVPaginatedSeries;
class QVPaginatedSeriesHeader;
class QVTableSectionDescription;
class QVRuntimeHost;
class QVSqlQuery;
class QVSettings;
class QVImageCache;
// clients
class xmlsax;
class OAuthURLRequestParameter;
// the game's delegates (defined by the facade)
class QuorvelDelegate;
class QVChallengeDelegate;
class QVNotificationDelegate;
} // namespace quorvel
