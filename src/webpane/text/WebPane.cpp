#include "WebPane.h"

#include "FailureWords.h"
#include "GbkConversion.h"
#include "IdAbortSignal.h"
#include "IdException.h"
#include "IdHTTP.h"
#include "PaneImageHandler.h"
#include "UserRegistry.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <optional>

namespace korvane {

namespace {

// Each single wait of a fetch for the pane: for data, and for the connect
// with its name lookup. The whole page and each image have limits of their
// own (TTextPaneLimits).
constexpr std::int32_t kReadTimeoutMs = 30000;

// The only address scheme the pane fetches: the client speaks plain HTTP.
bool IsFetchable(const QUrl& url) {
    return url.scheme() == u"http" && !url.host().isEmpty();
}

// An image from bytes, unless it would unpack into more than pixels.
QImage DecodeImage(const QByteArray& bytes, std::int64_t pixels) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || static_cast<std::int64_t>(size.width()) * size.height() > pixels)
        return {};
    return reader.read();
}

// The bytes of a base64 data: address, or nothing.
std::optional<QByteArray> DataAddressBytes(const QString& name) {
    const qsizetype comma = name.indexOf(u',');
    if (comma < 0 || !name.left(comma).endsWith(u";base64", Qt::CaseInsensitive))
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(name.mid(comma + 1).toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

// Why the page could not be fetched, in the status line's words, never the
// client's own English message. The status line's words for a redirect to
// https speak of the marketplace; here it is the publisher's site.
QString FailureText(const std::exception_ptr& error) {
    const TFetchFailure failure = TFetchFailure::Describe(error, 0);
    if (failure.Kind == TFetchFailureKind::LoginRequired)
        return QString::fromUtf8("网站要求加密连接（https），本程序无法读取");
    return QString::fromStdString(FailureWords(failure));
}

// An http fetch within the given limits; what the pane makes of the answer.
template <typename Setup>
void FetchInto(const QUrl& url, Setup setUp, std::string& body, std::string& contentType, bool& ok,
               QString& error) {
    http::TIdHTTP client;
    client.ReadTimeout = kReadTimeoutMs;
    client.HandleRedirects = true;
    setUp(client);
    try {
        client.GetPage(url.toString(QUrl::FullyEncoded).toStdString(), body);
        ok = true;
    } catch (const http::EIdHTTPProtocolException& failure) {
        // The server's own page for an error is still its page.
        body = failure.ErrorBody;
        ok = !body.empty();
        error = FailureText(std::current_exception());
    } catch (const std::exception&) {
        body.clear();
        ok = false;
        error = FailureText(std::current_exception());
    }
    contentType = client.Response().ContentType;
}

// Keys that belong to the page while it has focus, even where the window
// would otherwise take them as shortcuts, as in the web engine's pane.
bool IsPageKey(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return key.modifiers().testFlag(Qt::ControlModifier);
    }
}

// The character set a page names in its Content-Type header or, failing
// that, in a meta tag near its start; lower case, "" when none.
QString CharsetOf(const std::string& contentType, const std::string& body) {
    static const QRegularExpression charset(
        QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch match = charset.match(QString::fromLatin1(contentType));
    if (!match.hasMatch())
        match = charset.match(QString::fromLatin1(body.substr(0, 4096)));
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

// The publisher's pages are GBK, as Chinese sites of their time; UTF-8 is
// the default a page without a word about it gets.
QString DecodePage(const std::string& contentType, const std::string& body) {
    const QString charset = CharsetOf(contentType, body);
    if (charset == u"gbk" || charset == u"gb2312" || charset == u"gb18030" || charset == u"x-gbk" ||
        charset == u"cp936")
        return QString::fromStdString(TGbkConversion::ToUtf8(body));
    if (charset == u"iso-8859-1" || charset == u"latin1" || charset == u"us-ascii")
        return QString::fromLatin1(body);
    return QString::fromUtf8(body);
}

// In the words of the web engine's own page for a site it cannot reach, so
// the seller sees the same whichever pane the build has.
QString ErrorPage(const QUrl& url, const QString& error) {
    return QStringLiteral("<html><body><h2>无法访问此网站</h2>"
                          "<p>无法连接到 <b>%1</b>。</p>"
                          "<p style=\"color:#5f6368\">%2</p></body></html>")
        .arg(url.host().toHtmlEscaped(), error.toHtmlEscaped());
}

} // namespace

TWebPane::TWebPane(QWidget* parent)
    : QTextBrowser(parent), Abort(std::make_shared<http::TIdAbortSignal>()) {
    setAcceptDrops(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // Links leave for the browser; the pane itself never follows one.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &TWebPane::OpenLink);
    document()->documentLayout()->registerHandler(
        QTextFormat::ImageObject,
        new TPaneImageHandler([this](const QString& name) { return HeldImage(name); }, this));
}

TWebPane::~TWebPane() {
    // Every wait of a fetch, its name lookup included, watches the signal,
    // so the threads end at once.
    Abort->Raise();
    for (std::thread& worker : Workers)
        worker.join();
    (Registry != nullptr ? *Registry : PlatformUserRegistry())
        .DeleteValue(QString::fromLatin1(kPostPlatformKey), UserAgentText);
}

void TWebPane::Navigate(const QString& url) {
    if (url.isEmpty())
        return;
    const std::uint64_t generation = ++Generation;
    Address = QUrl(url);
    Images.clear();
    const QUrl address = Address;
    const TTextPaneLimits limits = Limits;
    StartWorker([this, generation, address, limits] {
        auto page = std::make_shared<TFetched>();
        if (IsFetchable(address)) {
            FetchInto(
                address,
                [&limits](http::TIdHTTP& client) {
                    client.AnswerTimeout = limits.PageAnswerMs;
                    client.MaxBodyBytes = limits.PageBytes;
                },
                page->Body, page->ContentType, page->Ok, page->Error);
        } else {
            page->Error = QString::fromUtf8("本程序只显示http网页");
        }
        Deliver(generation, [this, address, page] { ShowPage(address, *page); });
    });
}

void TWebPane::StartWorker(std::function<void()> work) {
    Workers.emplace_back([work = std::move(work), abort = Abort] {
        const http::TIdAbortScope scope(abort);
        work();
    });
}

void TWebPane::Deliver(std::uint64_t generation, std::function<void()> action) {
    if (Abort->Raised())
        return;
    QMetaObject::invokeMethod(
        this,
        [this, generation, action = std::move(action)] {
            if (generation == Generation)
                action();
        },
        Qt::QueuedConnection);
}

void TWebPane::ShowPage(const QUrl& url, TFetched& page) {
    document()->setBaseUrl(url);
    if (page.Ok)
        setHtml(DecodePage(page.ContentType, page.Body));
    else
        setHtml(ErrorPage(url, page.Error));
    emit PageShown(page.Ok);
    if (page.Ok && Download.testFlag(TDownloadControlOption::DownloadImages))
        FetchImages();
    else
        emit ImagesSettled();
}

// The page's images: those written into it at once, the http ones one after
// another on one thread, each shown as it arrives, up to the page's bounds.
// Every other one stays an empty place.
void TWebPane::FetchImages() {
    std::vector<QUrl> wanted;
    QSet<QUrl> seen;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            const QUrl url = Address.resolved(QUrl(name));
            if (url.scheme() == u"data" && name.size() <= Limits.DataImageChars &&
                !Images.contains(url)) {
                if (const auto bytes = DataAddressBytes(name))
                    HoldImage(url, DecodeImage(*bytes, Limits.ImagePixels));
                continue;
            }
            if (IsFetchable(url) && !seen.contains(url) &&
                static_cast<int>(wanted.size()) < Limits.ImagesPerPage) {
                seen.insert(url);
                wanted.push_back(url);
            }
        }
    }
    if (wanted.empty()) {
        emit ImagesSettled();
        return;
    }
    const std::uint64_t generation = Generation;
    const TTextPaneLimits limits = Limits;
    StartWorker([this, generation, wanted = std::move(wanted), limits, abort = Abort] {
        std::int64_t left = limits.ImageBytesPerPage;
        for (const QUrl& url : wanted) {
            if (left <= 0 || abort->Raised())
                break;
            std::string body, contentType;
            bool ok = false;
            QString error;
            FetchInto(
                url,
                [&](http::TIdHTTP& client) {
                    client.AnswerTimeout = limits.ImageAnswerMs;
                    client.MaxBodyBytes = std::min(limits.ImageBytes, left);
                },
                body, contentType, ok, error);
            left -= static_cast<std::int64_t>(body.size());
            if (!ok)
                continue;
            const QImage image = DecodeImage(
                QByteArray(body.data(), static_cast<qsizetype>(body.size())), limits.ImagePixels);
            if (!image.isNull())
                Deliver(generation, [this, url, image] { HoldImage(url, image); });
        }
        Deliver(generation, [this] { emit ImagesSettled(); });
    });
}

void TWebPane::HoldImage(const QUrl& url, const QImage& image) {
    if (image.isNull())
        return;
    Images.insert(url, image);
    // Lays the page out again, now with the image's size.
    document()->markContentsDirty(0, document()->characterCount());
    viewport()->update();
}

QImage TWebPane::HeldImage(const QString& name) const {
    return Images.value(Address.resolved(QUrl(name)));
}

QVariant TWebPane::loadResource(int type, const QUrl& name) {
    // Whatever the page names -- an image, a style sheet, a background --
    // comes from what the pane holds, or is empty: never an invalid answer,
    // which would let the document read the file or resource itself.
    if (type == QTextDocument::ImageResource) {
        const QImage held = Images.value(Address.resolved(name));
        if (!held.isNull())
            return held;
        QImage nothing(1, 1, QImage::Format_ARGB32);
        nothing.fill(Qt::transparent);
        return nothing;
    }
    if (type == QTextDocument::StyleSheetResource)
        return QString(QLatin1Char(' '));
    return QByteArray(" ");
}

void TWebPane::OpenLink(const QUrl& url) {
    const QUrl target = Address.resolved(url);
    // A link within the page only scrolls it.
    if (target.matches(Address, QUrl::RemoveFragment) && url.hasFragment()) {
        scrollToAnchor(url.fragment());
        return;
    }
    // Only a web address goes to the browser: a file link would run the
    // program it names, and any other scheme starts some other handler.
    if (target.scheme() != u"http" && target.scheme() != u"https")
        return;
    if (Opener)
        Opener(target);
}

void TWebPane::SetUserInterfaceOptions(TUserInterfaceOptions options) {
    Interface = options;
    const Qt::ScrollBarPolicy policy = Interface.testFlag(TUserInterfaceOption::ScrollNo)
                                           ? Qt::ScrollBarAlwaysOff
                                           : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

void TWebPane::SetRightClickMenu(bool allowed) {
    Menu = allowed;
    setContextMenuPolicy(allowed ? Qt::DefaultContextMenu : Qt::NoContextMenu);
}

bool TWebPane::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto& key = static_cast<QKeyEvent&>(*event);
        // Accepting the override keeps window shortcuts from taking the key;
        // the key press itself then comes here.
        if (Keys.Disables(key) || IsPageKey(key)) {
            key.accept();
            return true;
        }
    }
    return QTextBrowser::event(event);
}

// The pane reaches past its tab's edges: the frame goes round the part that
// shows, in the highlight colour, as the tables' and the chart's focus frame.
void TWebPane::paintEvent(QPaintEvent* event) {
    QTextBrowser::paintEvent(event);
    if (!hasFocus())
        return;
    const QRect shown = visibleRegion().boundingRect();
    if (shown.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), kFocusWidth,
                        Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    const QRect inViewport =
        QRect(viewport()->mapFrom(this, shown.topLeft()), shown.size()) & viewport()->rect();
    painter.drawRect(
        inViewport.adjusted(kFocusWidth / 2, kFocusWidth / 2, -kFocusWidth / 2, -kFocusWidth / 2));
}

void TWebPane::focusInEvent(QFocusEvent* event) {
    QTextBrowser::focusInEvent(event);
    viewport()->update();
}

void TWebPane::focusOutEvent(QFocusEvent* event) {
    QTextBrowser::focusOutEvent(event);
    viewport()->update();
}

void TWebPane::keyPressEvent(QKeyEvent* event) {
    if (Keys.Disables(*event)) {
        event->accept();
        return;
    }
    QTextBrowser::keyPressEvent(event);
}

} // namespace korvane
