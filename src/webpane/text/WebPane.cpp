#include "WebPane.h"

#include "FailureWords.h"
#include "GbkConversion.h"
#include "IdAbortSignal.h"
#include "IdException.h"
#include "IdHTTP.h"
#include "UserRegistry.h"

#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace korvane {

namespace {

// A publisher's page that has not answered by then is shown as unreachable.
constexpr std::int32_t kReadTimeoutMs = 30000;

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

// Why the page could not be fetched, in the status line's words, never the
// client's own English message. The status line's words for a redirect to
// https speak of the marketplace; here it is the publisher's site.
QString FailureText(const std::exception_ptr& error) {
    const TFetchFailure failure = TFetchFailure::Describe(error, 0);
    if (failure.Kind == TFetchFailureKind::LoginRequired)
        return QString::fromUtf8("网站要求加密连接（https），本程序无法读取");
    return QString::fromStdString(FailureWords(failure));
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
}

TWebPane::~TWebPane() {
    // Every wait of a fetch watches the signal, so the threads end at once.
    Abort->Raise();
    for (std::thread& worker : Workers)
        worker.join();
    (Registry != nullptr ? *Registry : PlatformUserRegistry())
        .DeleteValue(QString::fromLatin1(kPostPlatformKey), UserAgentText);
}

void TWebPane::Navigate(const QString& url) {
    if (url.isEmpty())
        return;
    ++Generation;
    Address = QUrl(url);
    Images.clear();
    ImagesWanted.clear();
    Fetch({Address},
          [this](std::vector<TFetched>& results) { ShowPage(Address, results.front()); });
}

void TWebPane::Fetch(std::vector<QUrl> urls,
                     std::function<void(std::vector<TFetched>& results)> done) {
    const std::uint64_t generation = Generation;
    Workers.emplace_back(
        [this, urls = std::move(urls), done = std::move(done), generation, abort = Abort] {
            auto results = std::make_shared<std::vector<TFetched>>();
            const http::TIdAbortScope scope(abort);
            for (const QUrl& url : urls) {
                TFetched& fetched = results->emplace_back();
                http::TIdHTTP client;
                client.ReadTimeout = kReadTimeoutMs;
                client.HandleRedirects = true;
                try {
                    client.GetPage(url.toString(QUrl::FullyEncoded).toStdString(), fetched.Body);
                    fetched.Ok = true;
                } catch (const http::EIdHTTPProtocolException& error) {
                    // The server's own page for an error is still its page.
                    fetched.Body = error.ErrorBody;
                    fetched.Ok = !fetched.Body.empty();
                    fetched.Error = FailureText(std::current_exception());
                } catch (const std::exception&) {
                    fetched.Error = FailureText(std::current_exception());
                }
                fetched.ContentType = client.Response().ContentType;
                if (abort->Raised())
                    return;
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation, results, done] {
                    if (generation == Generation)
                        done(*results);
                },
                Qt::QueuedConnection);
        });
}

void TWebPane::ShowPage(const QUrl& url, TFetched& page) {
    document()->setBaseUrl(url);
    if (page.Ok)
        setHtml(DecodePage(page.ContentType, page.Body));
    else
        setHtml(ErrorPage(url, page.Error));
    emit PageShown(page.Ok);
    if (page.Ok && Download.testFlag(TDownloadControlOption::DownloadImages))
        FetchMissingImages();
    else
        emit ImagesSettled();
}

// The images of the page, all on one thread, one after another: the
// publisher's pages hold a handful.
void TWebPane::FetchMissingImages() {
    std::vector<QUrl> missing;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QUrl url = Address.resolved(QUrl(format.toImageFormat().name()));
            if (url.scheme().startsWith(u"http") && !ImagesWanted.contains(url)) {
                ImagesWanted.insert(url);
                missing.push_back(url);
            }
        }
    }
    if (missing.empty()) {
        emit ImagesSettled();
        return;
    }
    Fetch(missing, [this, missing](std::vector<TFetched>& results) {
        for (std::size_t i = 0; i < missing.size(); ++i) {
            if (!results[i].Ok)
                continue;
            const QByteArray bytes(results[i].Body.data(),
                                   static_cast<qsizetype>(results[i].Body.size()));
            const QImage image = QImage::fromData(bytes);
            if (!image.isNull())
                Images.insert(missing[i], image);
        }
        // Lays the page out again, now with the images' sizes.
        document()->markContentsDirty(0, document()->characterCount());
        viewport()->update();
        emit ImagesSettled();
    });
}

QVariant TWebPane::loadResource(int type, const QUrl& name) {
    // Only what has arrived; an image still on its way leaves its place empty,
    // and nothing is read from the disk of the user.
    if (type == QTextDocument::ImageResource) {
        const auto found = Images.constFind(Address.resolved(name));
        if (found != Images.constEnd())
            return *found;
    }
    return {};
}

void TWebPane::OpenLink(const QUrl& url) {
    const QUrl target = Address.resolved(url);
    // A link within the page only scrolls it.
    if (target.matches(Address, QUrl::RemoveFragment) && url.hasFragment()) {
        scrollToAnchor(url.fragment());
        return;
    }
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
