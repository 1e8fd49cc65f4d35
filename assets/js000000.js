// Loaded by the player page before the channel's player line. Channel sites
// embed a flash player, and no browser engine plays flash any more. Where
// the player tells which video stream it would have played, that stream is
// shown in the browser's own video element instead; otherwise a short
// notice says why nothing plays and links to the channel's site.
//
// The file is plain ASCII, its Russian texts written as \u escapes: the
// player page declares no charset, so this file is read in whatever code
// page the browser assumes, and only ASCII reads the same in all of them.
(function () {
  'use strict';

  const FLASH_TYPE = 'application/x-shockwave-flash';
  // Pages written for Internet Explorer name the flash object by this class
  // id instead of a type.
  const FLASH_CLASS_ID = 'clsid:d27cdb6e-ae6d-11cf-96b8-444553540000';
  // What the browser plays by itself: HLS playlists, MP4 and WebM.
  const STREAM_PATH = /\.(m3u8|mp4|webm)$/i;
  // The flashvars that common flash players read their stream address from.
  const STREAM_VARS = ['file', 'src', 'stream'];
  // The browser area of the program's window, for a player of no usable size.
  const FALLBACK_WIDTH = 590;
  const FALLBACK_HEIGHT = 330;

  // "This channel shows its video through Flash, which is no longer supported."
  const NO_FLASH_TEXT =
      '\u042d\u0442\u043e\u0442 \u043a\u0430\u043d\u0430\u043b ' +
      '\u043f\u043e\u043a\u0430\u0437\u044b\u0432\u0430\u0435\u0442 ' +
      '\u0432\u0438\u0434\u0435\u043e \u0447\u0435\u0440\u0435\u0437 Flash, ' +
      '\u043a\u043e\u0442\u043e\u0440\u044b\u0439 \u0431\u043e\u043b\u044c\u0448\u0435 ' +
      '\u043d\u0435 \u043f\u043e\u0434\u0434\u0435\u0440\u0436\u0438\u0432\u0430\u0435\u0442\u0441\u044f.';
  // "Open the channel's site"
  const SITE_LINK_TEXT =
      '\u041e\u0442\u043a\u0440\u044b\u0442\u044c \u0441\u0430\u0439\u0442 ' +
      '\u043a\u0430\u043d\u0430\u043b\u0430';

  // The text as an absolute http or https URL, else null. Everything else
  // (javascript:, data:, file:, rtmp:, no address at all) is dropped: the
  // page's strings are trusted with nothing but a plain web address. A
  // relative address needs a web base; the player page's own file: address
  // never serves as one.
  function webAddress(text, base) {
    if (typeof text !== 'string' || text.trim() === '') return null;
    let url;
    try {
      url = base ? new URL(text.trim(), base) : new URL(text.trim());
    } catch (e) {
      return null;
    }
    return url.protocol === 'http:' || url.protocol === 'https:' ? url : null;
  }

  // Judged by the path alone, so a stream address may carry a query.
  function isStream(url) {
    return url !== null && STREAM_PATH.test(url.pathname);
  }

  function isFlash(element) {
    const type = (element.getAttribute('type') || '').trim().toLowerCase();
    const classId = (element.getAttribute('classid') || '').trim().toLowerCase();
    return type === FLASH_TYPE || classId === FLASH_CLASS_ID;
  }

  // The player's addresses (object data, embed src, a param named movie or
  // src) and its flashvars, from the player and every element inside it: a
  // player written for several browsers nests an embed in its object, and
  // either may carry what the other lacks.
  function readPlayer(player) {
    const addresses = [];
    const flashvars = [];
    const parts = [player, ...player.querySelectorAll('object, embed, param')];
    for (const part of parts) {
      if (part.localName === 'object') {
        addresses.push(part.getAttribute('data'));
      } else if (part.localName === 'embed') {
        addresses.push(part.getAttribute('src'));
        flashvars.push(part.getAttribute('flashvars'));
      } else if (part.localName === 'param') {
        const name = (part.getAttribute('name') || '').trim().toLowerCase();
        if (name === 'movie' || name === 'src') addresses.push(part.getAttribute('value'));
        if (name === 'flashvars') flashvars.push(part.getAttribute('value'));
      }
    }
    return {
      addresses: addresses.filter((a) => a !== null),
      flashvars: flashvars.filter((f) => f !== null),
    };
  }

  // The stream to play (or null) and the player's web address (or null).
  // Candidates go in the order of how surely they are the video: an address
  // of the player that is a stream itself; the value of file=, src= or
  // stream= in the flashvars or in the query of the player's address; any
  // other such value that is a stream address. A relative stream is taken
  // relative to the player's web address, where the player would have
  // looked for it.
  function findStream(player) {
    const found = readPlayer(player);
    const base = found.addresses.map((a) => webAddress(a, null)).find((url) => url !== null) || null;
    const direct = found.addresses.map((a) => webAddress(a, base));
    const lists = found.flashvars.map((f) => new URLSearchParams(f))
        .concat(direct.filter((url) => url !== null).map((url) => url.searchParams));
    const named = [];
    const others = [];
    for (const params of lists) {
      for (const [key, value] of params) {
        const url = webAddress(value, base);
        if (STREAM_VARS.includes(key.trim().toLowerCase())) named.push(url);
        else if (isStream(url)) others.push(url);
      }
    }
    const candidates = [...direct.filter(isStream), ...named, ...others];
    return { stream: candidates.find((url) => url !== null) || null, base };
  }

  // The player's width or height in pixels ("590" or "590px"), else the
  // browser area's: a percentage has nothing to be measured against in a
  // page that holds only this player.
  function pixels(player, attribute, fallback) {
    const match = /^\s*(\d{1,5})(px)?\s*$/i.exec(player.getAttribute(attribute) || '');
    const value = match ? parseInt(match[1], 10) : 0;
    return value > 0 ? value : fallback;
  }

  function sizeLike(box, player) {
    box.style.display = 'block';
    box.style.boxSizing = 'border-box';
    box.style.width = pixels(player, 'width', FALLBACK_WIDTH) + 'px';
    box.style.height = pixels(player, 'height', FALLBACK_HEIGHT) + 'px';
  }

  function makeVideo(player, stream) {
    const video = document.createElement('video');
    // Muted, because browsers start only silent videos by themselves; the
    // property too, since the attribute alone does not mute an element that
    // already exists. The controls let the user turn the sound on.
    video.setAttribute('controls', '');
    video.setAttribute('autoplay', '');
    video.setAttribute('muted', '');
    video.setAttribute('playsinline', '');
    video.muted = true;
    sizeLike(video, player);
    // Black bars where the picture's shape differs from the player's.
    video.style.background = '#000';
    video.src = stream.href;
    return video;
  }

  function makeNotice(player, base) {
    const notice = document.createElement('div');
    sizeLike(notice, player);
    // Suits the program's dark window rather than a white page.
    notice.style.background = '#141414';
    notice.style.color = '#909090';
    notice.style.font = '14px sans-serif';
    notice.style.padding = '24px';
    notice.style.display = 'flex';
    notice.style.flexDirection = 'column';
    notice.style.justifyContent = 'center';
    notice.style.alignItems = 'center';
    notice.style.textAlign = 'center';
    const text = document.createElement('p');
    text.textContent = NO_FLASH_TEXT;
    notice.appendChild(text);
    // The player came from the channel's site, whose own pages may still
    // play the channel some other way.
    if (base !== null) {
      const link = document.createElement('a');
      link.href = base.origin + '/';
      link.textContent = SITE_LINK_TEXT;
      link.style.color = '#c8c8c8';
      notice.appendChild(link);
    }
    return notice;
  }

  function replacePlayers() {
    const flash = [...document.querySelectorAll('object, embed')].filter(isFlash);
    // A player nested in another is a part of it and goes with it.
    const players = flash.filter((p) => !flash.some((other) => other !== p && other.contains(p)));
    for (const player of players) {
      const found = findStream(player);
      if (found.stream === null) {
        player.replaceWith(makeNotice(player, found.base));
        continue;
      }
      const video = makeVideo(player, found.stream);
      player.replaceWith(video);
      // Where autoplay is refused anyway, the controls are left to the user.
      video.play().catch(() => {});
    }
  }

  // This script runs before the player line is parsed: wait for the page.
  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', replacePlayers);
  } else {
    replacePlayers();
  }
})();
