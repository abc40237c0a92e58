#!/usr/bin/python3
"""Reference values of the worm gear calculation, worked out independently.

Every result is computed here straight from the formulas of DIN 3975
(geometry), DIN 3967 / ISO 286 / DIN 3974 (tolerances), the measurement
over balls and pins, Niemann's rating and DIN 3996 (editions 1998 and 2012),
in double precision and without any of the program's code. The tables are
transcribed from the standards. The C++ test compares every record field
with these values; a ctest runs this script and checks that the committed
output is what it prints.

    worm_reference.py > worm_reference.txt

Output: one line per data set "set NAME", then "FIELD VALUE" lines (FIELD is
the record member, with [i] for an element of a pair).
"""
import math
import sys

pi = math.pi

def inv(a):
    return math.tan(a) - a

def arcinv(v):
    # inverse involute by Newton's method from a good start
    a = (3 * v) ** (1 / 3) if v > 0 else 0.0
    for _ in range(60):
        f = inv(a) - v
        a -= f / (math.tan(a) ** 2)
        if abs(f) < 1e-17:
            break
    return a

def round_half_even(x):
    return float(round(x))

# ---- Tables -------------------------------------------------------------

ISO286 = [  # steps 1..21, IT4..IT11
    [3, 4, 6, 10, 14, 25, 40, 60], [4, 5, 8, 12, 18, 30, 48, 75], [4, 6, 9, 15, 22, 36, 58, 90],
    [5, 8, 11, 18, 27, 43, 70, 110], [6, 9, 13, 21, 33, 52, 84, 130], [7, 11, 16, 25, 39, 62, 100, 160],
    [8, 13, 19, 30, 46, 74, 120, 190], [10, 15, 22, 35, 54, 87, 140, 220], [12, 18, 25, 40, 63, 100, 160, 250],
    [14, 20, 29, 46, 72, 115, 185, 290], [16, 23, 32, 52, 81, 130, 210, 320], [18, 25, 36, 57, 89, 140, 230, 360],
    [20, 27, 40, 63, 97, 155, 250, 400], [22, 28, 44, 70, 110, 174, 280, 440], [24, 32, 50, 80, 124, 200, 320, 500],
    [28, 36, 56, 90, 140, 230, 360, 560], [32, 42, 66, 104, 164, 260, 420, 660], [36, 50, 78, 124, 194, 310, 500, 780],
    [40, 60, 92, 150, 230, 370, 600, 920], [44, 70, 110, 174, 280, 440, 700, 1100], [50, 86, 134, 210, 330, 540, 860, 1350]]
ISO_BOUNDS = [3, 6, 10, 18, 30, 50, 80, 120, 180, 250, 315, 400, 500, 630, 800, 1000, 1250, 1600, 2000, 2500]
TSN = [  # steps 1..11, series 21..30
    [3, 5, 8, 12, 20, 30, 50, 80, 130, 200], [5, 8, 12, 20, 30, 50, 80, 130, 200, 300],
    [6, 10, 16, 25, 40, 60, 100, 160, 250, 400], [8, 12, 20, 30, 50, 80, 130, 200, 300, 500],
    [10, 16, 25, 40, 60, 100, 160, 250, 400, 600], [12, 20, 30, 50, 80, 130, 200, 300, 500, 800],
    [16, 25, 40, 60, 100, 160, 250, 400, 600, 1000], [20, 30, 50, 80, 130, 200, 300, 500, 800, 1300],
    [25, 40, 60, 100, 160, 250, 400, 600, 1000, 1600], [30, 50, 80, 130, 200, 300, 500, 800, 1300, 2000],
    [40, 60, 100, 160, 250, 400, 600, 1000, 1600, 2400]]
ASNE = [  # steps 1..11, series a ab b bc c cd d e f g h
    [100, 85, 70, 58, 48, 40, 33, 22, 10, 5, 0], [135, 110, 95, 75, 65, 54, 44, 30, 14, 7, 0],
    [180, 150, 125, 105, 85, 70, 60, 40, 19, 9, 0], [250, 200, 170, 140, 115, 95, 80, 56, 26, 12, 0],
    [330, 280, 230, 190, 155, 130, 110, 75, 35, 17, 0], [450, 370, 310, 260, 210, 175, 145, 100, 48, 22, 0],
    [600, 500, 420, 340, 290, 240, 200, 135, 64, 30, 0], [820, 680, 560, 460, 390, 320, 270, 180, 85, 41, 0],
    [1100, 920, 760, 620, 520, 430, 360, 250, 115, 56, 0], [1500, 1250, 1020, 840, 700, 580, 480, 330, 155, 75, 0],
    [2000, 1650, 1350, 1150, 940, 780, 640, 450, 210, 100, 0]]
DIN3967_BOUNDS = [10, 50, 125, 280, 560, 1000, 1600, 2500, 4000, 6300]

def step(size, reduce, bounds):
    n = abs(round_half_even(size - reduce))
    s = 1
    for b in bounds:
        if n >= b:
            s += 1
    return s

def it(code, size):
    return ISO286[step(size, 0.01, ISO_BOUNDS) - 1][code - 1]

def tsn(series, d):
    return TSN[step(d, 0.0001, DIN3967_BOUNDS) - 1][series - 1]

def asne(series, d):
    return ASNE[step(d, 0.0001, DIN3967_BOUNDS) - 1][series - 1]

# ---- Measurement --------------------------------------------------------

def ball_diameter(mn, x, an, beta, z):
    zn = z / math.cos(beta) ** 3.3
    aM = math.acos(zn * math.cos(an) / (2 * x + zn))
    theta = (pi - 4 * x * math.tan(an)) / 2 / zn + (math.tan(aM) - inv(an))
    dm = (math.tan(theta) - math.tan(aM)) * math.cos(an) * zn * mn
    return round_half_even(dm * 10) / 10 if dm >= 0.5 else dm

def teeth_spanned(mn, x, an, beta, z):
    d = mn * z / math.cos(beta)
    at = math.atan(math.tan(an) / math.cos(beta))
    dx = d + 2 * x * mn
    bx = math.atan(math.tan(beta) * dx / d)
    ak = math.acos(math.cos(beta) * math.cos(an) * d / dx / math.cos(bx))
    return int(z * inv(at) / inv(an) * ak / pi + 1)

def span(z, k, x, beta, an, mn):
    at = math.atan(math.tan(an) / math.cos(beta))
    return mn * math.cos(an) * (z * inv(at) + (k - 0.5) * pi) + 2 * x * mn * math.sin(an)

def over_balls(z, mn, an, beta, x, DM):
    eta = (pi - 4 * x * math.tan(an)) / (2 * z)
    at = math.atan(math.tan(an) / math.cos(beta))
    t = eta - inv(at)
    bb = math.atan(math.cos(at) * math.tan(beta))
    db = mn * z / math.cos(beta) * math.cos(at)
    dK = db / math.cos(arcinv(DM / db / math.cos(bb) - t))
    return dK * math.cos(pi / (2 * z)) + DM if z % 2 and z != 1 else dK + DM

def over_pins(z, mn, an, beta, x, DM):
    MK = over_balls(z, mn, an, beta, x, DM)
    return (MK - DM) / math.cos(pi / (2 * z)) + DM if z % 2 and z != 1 and beta > 0 else MK

# ---- The calculation ----------------------------------------------------

def geometry(s, r):
    z1, z2 = s['z']
    x1, x2 = s['x']
    a = s['a']
    r['u'] = u = z2 / z1
    dm1 = s['dm1a'] * a
    dm2 = 2 * a - dm1
    mx = (a - dm1 / 2) / (x1 + x2 + z2 / 2)
    q = dm1 / mx
    gm = math.atan(z1 / q)
    mn = mx * math.cos(gm)
    m2 = mn / math.cos(pi / 2 - gm)
    r.update(mx=mx, q=q, gammaM=gm, mn=mn, betaM=pi / 2 - gm)
    r['m[1]'], r['m[2]'], r['mt[2]'] = mx, m2, mx
    r['dm[1]'], r['dm[2]'] = dm1, dm2
    r['beta[1]'], r['beta[2]'] = pi / 2 - gm, gm
    ha = [(s['haStar'][i] + s['x'][i]) * mx for i in (0, 1)]
    hf = [(s['hfStar'][i] - s['x'][i]) * mx for i in (0, 1)]
    d = [dm1, z2 * mx]
    da = [dm1 + 2 * ha[0], d[1] + 2 * ha[1]]
    df = [dm1 - 2 * hf[0], d[1] - 2 * hf[1]]
    for i in (0, 1):
        n = '[%d]' % (i + 1)
        r['ha' + n], r['hf' + n], r['h' + n] = ha[i], hf[i], ha[i] + hf[i]
        r['d' + n], r['da' + n], r['df' + n] = d[i], da[i], df[i]
    r['c[1]'] = a - (da[0] + df[1]) / 2
    r['c[2]'] = a - (da[1] + df[0]) / 2
    r['de2'] = de2 = da[1] + (2 * mx if s['rim'] == 3 else mx)
    a0 = math.radians(s['alpha0'])
    r['alpha0Rad'] = a0
    if s['form'] == 2:  # ZA: the axial angle is the generating one
        ax = a0
        an = math.atan(math.tan(ax) * math.cos(gm))
    else:
        an = a0
        ax = math.atan(math.tan(an) / math.cos(gm))
    r['alphaN'], r['alphaX'] = an, ax
    r['gammaB'] = gb = math.acos(math.cos(gm) * math.cos(an))
    for i, (m, z) in enumerate(((mx, z1), (m2, z2))):
        r['pz[%d]' % (i + 1)] = pi * m * z
        r['pzRed[%d]' % (i + 1)] = m * z / 2
    r['px'] = pi * mx
    r['pn'] = pn = pi * mx * math.cos(gm)
    r['pb'] = pi * mx * math.cos(gb)
    r['snHalfRef'] = pi * mx * math.cos(gm) / 2
    r['pbn'] = pbn = pi * mn * math.cos(an)
    beta = [pi / 2 - gm, gm]
    db = []
    for i in (0, 1):
        n = '[%d]' % (i + 1)
        at = math.atan(math.tan(an) / math.cos(beta[i]))
        bb = math.acos(math.sin(an) / math.sin(at))
        db.append(d[i] * math.cos(at))
        r['alphaT' + n], r['betaB' + n], r['db' + n] = at, bb, db[i]
        g = (math.sqrt(da[i] ** 2 - db[i] ** 2) - math.sqrt(d[i] ** 2 - db[i] ** 2)) / 2
        r['gAlphaT' + n] = g / math.cos(bb)
        r['gAlpha' + n] = g
        r['eps' + n] = g / math.cos(bb) / pbn
    r['epsN'] = r['eps[1]'] + r['eps[2]']
    brec = [round_half_even(2.5 * mx * math.sqrt(z2 + 1)), round_half_even(2 * mx * math.sqrt(q + 1))]
    r['bRec[1]'], r['bRec[2]'] = brec
    b = [s['b'][i] or brec[i] for i in (0, 1)]
    r['b[1]'], r['b[2]'] = b
    r['b2Eff'] = b[1]
    r['dwCut'] = dm1 if a <= de2 / 2 else math.sqrt(dm1 ** 2 - (2 * a - de2) ** 2)
    r['rK'] = a - da[1] / 2
    for i in (0, 1):
        sn = mn * (pi / 2 + 2 * s['x'][i] * math.tan(an))
        r['sn[%d]' % (i + 1)] = sn
        r['en[%d]' % (i + 1)] = pn - sn
    r['L[1]'] = b[0] + s['shaftEnd'] * s['lw']
    r['L[2]'] = b[1] + r['c[1]']
    return dict(z1=z1, z2=z2, a=a, u=u, dm=[dm1, dm2], d=d, df=df, mx=mx, mn=mn, q=q, gm=gm,
                an=an, a0=a0, beta=beta, b2=b[1], b=b, pn=pn, brec=brec)

def tolerances(s, G, r):
    mn, an, mx = G['mn'], G['an'], G['mx']
    for i in (0, 1):
        n = '[%d]' % (i + 1)
        x = s['x'][i]
        D = G['d'][i]
        if s['tolSeries'][i] < 11:
            Asne = -asne(s['devSeries'][i], D) / 1000
            Tsn = tsn(s['tolSeries'][i], D) / 1000
            Asni = Asne - Tsn
        else:
            Asne, Asni = s['Asne'][i], s['Asni'][i]
            Tsn = Asne - Asni
        r['Asne' + n], r['Asni' + n], r['Tsn' + n] = Asne, Asni, Tsn
        per = 2 * math.tan(an) * mn
        xmax, xmin = x + Asne / per, x + Asni / per
        r['xemax' + n], r['xemin' + n] = xmax, xmin
        r['xe' + n], r['xeTol' + n] = (xmax + xmin) / 2, (xmax - xmin) / 2
        sfun = lambda xx: mn * (pi / 2 + 2 * xx * math.tan(an))
        r['snMax' + n], r['snMin' + n] = sfun(xmax), sfun(xmin)
        r['snMean' + n], r['snTol' + n] = (sfun(xmax) + sfun(xmin)) / 2, (sfun(xmax) - sfun(xmin)) / 2
        ha, hf = s['haStar'][i], s['hfStar'][i]
        damax, damin = D + 2 * (ha + xmax) * mx, D + 2 * (ha + xmin) * mx
        dfmax, dfmin = D - 2 * (hf - xmax) * mx, D - 2 * (hf - xmin) * mx
        r['daMax' + n], r['daMin' + n] = damax, damin
        r['daMean' + n], r['daTol' + n] = (damax + damin) / 2, (damax - damin) / 2
        r['dfMax' + n], r['dfMin' + n] = dfmax, dfmin
        r['dfMean' + n], r['dfTol' + n] = (dfmax + dfmin) / 2, (dfmax - dfmin) / 2
        z = s['z'][i]
        beta = G['beta'][i]
        DM = s['ball'][i] or ball_diameter(mn, x, an, beta, z)
        r['measurementUsed' + n] = DM
        for key, fun in (('MR', over_pins), ('MK', over_balls)):
            v, vmax, vmin = (fun(z, mn, an, beta, xx, DM) for xx in (x, xmax, xmin))
            r[key + n], r[key + 'Max' + n], r[key + 'Min' + n] = v, vmax, vmin
            r[key + 'Mean' + n], r[key + 'Tol' + n] = (vmax + vmin) / 2, (vmax - vmin) / 2
        k = teeth_spanned(mn, xmin, an, beta, z)
        r['k' + n] = k
        r['W' + n] = span(z, k, x, beta, an, mn)
        r['WXemin' + n] = span(z, k, xmin, beta, an, mn)
        r['WXemax' + n] = span(z, k, xmax, beta, an, mn)
    if s['aField'] < 9:
        r['centreDistanceAllowanceUpper'] = it(s['aField'], G['a']) / 2000
        r['centreDistanceAllowanceLower'] = -it(s['aField'], G['a']) / 2000
    # DIN 3974 deviations
    def R(v):
        return round_half_even(v + 0.0001) if v >= 10 else round_half_even(2 * (v + 0.0001)) / 2
    def mmean(m):
        for lo, hi, mean in ((0.5, 2, 1.0), (2, 3.55, 2.665), (3.55, 6, 4.615), (6, 10, 7.746),
                             (10, 16, 12.649), (16, 25, 20.0), (25, 40, 31.623)):
            if lo < m <= hi:
                return mean
        return m
    def dmean(d):
        for lo, hi, mean in ((10, 50, 22.36), (50, 125, 79.057), (125, 280, 187.08), (280, 560, 395.97),
                             (560, 1000, 748.33), (1000, 1600, 1264.91), (1600, 2500, 2000.0)):
            if lo < d <= hi:
                return mean
        return d
    def phi(Q):
        return 0 if Q <= 0 else 1.4 ** (Q - 5) if Q <= 9 else 1.4 ** 4 * 1.6 ** (Q - 9)
    m_ = mmean(mx)
    for i in (0, 1):
        n = '[%d]' % (i + 1)
        d_ = dmean(G['dm'][i])
        p = phi(s['quality'][i])
        fp = R(R((0.25 * math.sqrt(d_) + m_) * 0.315 + 4) * p)
        r['fp' + n] = fp
        r['fu' + n] = R(R((0.25 * math.sqrt(d_) + m_) * 0.4 + 5) * p)
        fH = R(R((3 * math.sqrt(m_) + m_) * 0.25 + 2.5) * p)
        ff = R(R((9 * math.sqrt(m_) + m_) * 0.25 + 1.5) * p)
        Fa = R(math.hypot(fH, ff))
        r['fHalpha' + n], r['ffalpha' + n], r['Falpha' + n] = fH, ff, Fa
        r['FrDev' + n] = R(R(2.18 * math.sqrt(m_) + 1.68 + (1.2 * math.log10(m_) + 2.3) * d_ ** 0.25) * p)
        r['FiPrime' + n] = R(R(5.8 * d_ ** 0.2 * m_ ** (1 / 7)) * p + 0.8 * Fa)
        r['fiPrime' + n] = R(0.7 * (fp + Fa))
    z1 = s['z'][0]
    r['Fpz'] = R(phi(s['quality'][0]) * (5 * z1 ** (1 / 3) * math.log10(m_) ** 2 + 0.5 * z1 + 4))
    r['Fp2'] = R(phi(s['quality'][1]) * 7.25 * dmean(G['dm'][1]) ** 0.2 * m_ ** (1 / 7))

def wheel_driving_forces(Ft2, gm, mue, alpha):
    # Friction opposes the wheel: Ft1 = Ft2 tan(gm - rho); Ft2 = Fn cos(alpha)(cos gm + mue sin gm)
    rho = math.atan(mue)
    Ft1 = Ft2 * math.tan(gm - rho) if gm > rho else 0.0
    Fn = Ft2 / (math.cos(alpha) * (math.cos(gm) + mue * math.sin(gm)))
    Fr = math.tan(alpha) * Ft2 / math.cos(gm - rho)
    return Ft1, Fn, Fr

def niemann(s, G, r, P1):
    n1 = s['n1']
    u, gm, an = G['u'], G['gm'], G['an']
    dm1, dm2 = G['dm']
    n2 = n1 / u
    wheel = s['driver'] == 2
    nin, nout = (n2, n1) if wheel else (n1, n2)
    Tin = 60000 * P1 / (2 * pi * nin)
    vt1 = pi * dm1 * 0.001 * n1 / 60
    vgm = vt1 / math.cos(gm)
    rho = math.atan(s['mueZ'])
    etaz = math.tan(gm - rho) / math.tan(gm) if wheel else math.tan(gm) / math.tan(gm + rho)
    PV0 = (n1 / 60) ** (4 / 3) * (s['PV0pc'] / 100 * 1e-7 * G['a']) * (s['v50'] + 90)
    PVLP = 0.01 * P1
    P = max(0.0, P1 * etaz - PV0 - PVLP)
    Tout = 60000 * P / (2 * pi * nout)
    T1, T2 = (Tout, Tin) if wheel else (Tin, Tout)
    KA = s['KA']
    Ft2 = 2000 * T2 * KA / dm2
    if wheel:
        Ft1, Fn, Fr = wheel_driving_forces(Ft2, gm, s['mueZ'], an)
    else:
        Ft1 = 2000 * T1 * KA / dm1
        Fn = Ft1 / (math.cos(an) * (math.sin(gm) + s['mueZ'] * math.cos(gm)))
        Fr = math.tan(an) * Ft1 / math.sin(gm + rho)
    E, nue = s['E'], s['nue']
    ZE = math.sqrt((1 / pi) / ((1 - nue[0] ** 2) / E[0] + (1 - nue[1] ** 2) / E[1]))
    r.update({'n[2]': n2, 'T[1]': T1, 'T[2]': T2, 'P1': P1, 'vt1': vt1, 'vgm': vgm, 'rhoZ': rho,
              'etaZ': etaz, 'PVz': (1 - etaz) * P1, 'PV0': PV0, 'PVLP': PVLP, 'P': P, 'eta': P / P1,
              'Ft[1]': Ft1, 'Ft[2]': Ft2, 'Fx[1]': Ft2, 'Fx[2]': Ft1, 'Fn': Fn, 'Fr': Fr, 'ZE': ZE})
    r['CHE'] = 10 * (ZE / s['sigHlim'][1]) ** (2 / 3)
    r['Zp'] = Zp = 0.36 / s['dm1a'] + 1.9
    r['Zn'] = Zn = (1 / (n2 / 8 + 1)) ** 0.125
    r['sigmaH'] = sH = ZE * Zp * math.sqrt(1000 * T2 / G['a'] ** 3)
    for i in (0, 1):
        SH = s['sigHlim'][i] * Zn / sH
        r['SH[%d]' % (i + 1)] = SH
        r['LtH[%d]' % (i + 1)] = min(100000, 25000 * SH ** 6)
        r['SF[%d]' % (i + 1)] = s['sigmaFE'][i] * G['mx'] * G['b2'] / Ft2
    return r

# Base friction coefficient mue 0T = min(limit, c1 / (vgm + c0)^k + c2)
FRICTION_1998 = {1: (0.17, 0.76, 0.026, 0.028, 0.1), 5: (0.17, 0.76, 0.026, 0.028, 0.1),
                 2: (0.2, 0.78, 0.026, 0.018, 0.096), 3: (0.2, 1.16, 0.013, 0.022, 0.092),
                 4: (0.2, 2.47, 0.0015, 0.018, 0.094)}
FRICTION_2012 = {
    ('injection', 1): (0.17, 0.76, 0.026, 0.028, 0.1), ('injection', 2): (0.2, 0.97, 0.02, 0.02, 0.094),
    ('injection', 5): (0.17, 0.92, 0.017, 0.026, 0.096), ('dip', 1): (0.2, 1.55, 0.0079, 0.033, 0.1),
    ('dip', 2): (0.1, 1.71, 0.0032, 0.024, 0.094), ('dip', 5): (0.15, 1.63, 0.0056, 0.027, 0.096),
    ('ferrous', 1): (0.2, 0.87, 0.015, 0.055, 0.1), ('ferrous', 2): (0.19, 0.97, 0.015, 0.034, 0.1)}

def group(kind):
    return 2 if kind in (2, 3, 4) else kind

def mue0t(curve, v):
    c0, k, c1, c2, limit = curve
    return min(limit, c1 / (v + c0) ** k + c2)

def base_wear_2012(name, wheel, dip, lub, KW):
    """Base wear intensity of DIN 3996:2012 by wheel material, lubrication and lubricant."""
    g = group(lub)
    if 'cusn' in name:
        rows = {(False, 1): (2.4e-11, -3.1, 4e-7), (False, 2): (1.27e-10, -2.24, None),
                (False, 5): (3.18e-10, -2.24, None), (True, 1): (6.5e-11, -2.68, 4e-7),
                (True, 2): (2.23e-10, -1.91, None), (True, 5): (5.58e-10, -1.91, None)}
        row = rows.get((dip, g))
    elif wheel == 8 and 'cual' in name:
        row = {1: (5.45e-9, -1.23, 4e-7), 5: (1.66e-11, -1.17, None)}.get(g)
    elif 1 <= wheel <= 7:
        row = (9e-11, -3.7, 4e-7) if g in (1, 5) else (5.8e-10, -1.58, None) if g == 2 else None
    else:
        row = None
    if row is None:
        return 1e-6  # no measured wear line
    c, k, cap = row
    return min(cap, c * KW ** k) if cap else c * KW ** k

def din3996(s, G, r, PDin):
    n1, n2 = s['n1'], s['n1'] / G['u']
    a, u, q, mx, gm = G['a'], G['u'], G['q'], G['mx'], G['gm']
    z1, z2 = G['z1'], G['z2']
    dm1, dm2 = G['dm']
    x2, b, a0 = s['x'][1], G['b2'], s['alpha0']
    KA = s['KA']
    wheel = s['driver'] == 2
    kind = s['lubricant']
    # Characteristic values (flank forms other than ZH)
    pm1 = 1.03 * (0.4 + x2 / u + 0.01 * z2 - 0.083 * b / mx + math.sqrt(2 * q - 1) / 6.9
                  + (q + 50 * (u + 1) / u) / (37.5 * q + 15.9))
    pm2 = (0.2389 * a / dm1 + 0.076 * x2 * abs(x2) ** 3.18 + 0.1794 + 0.0536 * q - 0.00369 * z2
           - 0.01136 * a0 + (z1 / q) ** 2.6872 * (x2 + 0.005657) * 44.9814 / z2)
    h1 = (0.018 + q / (7.86 * (z2 + q)) + 1 / z2 + x2 / 110 - u / 36300 + b / (370.4 * mx)
          - math.sqrt(2 * q - 1) / 213.9)
    L = math.sqrt(6 * mx * dm1 - 9 * mx ** 2) + mx
    h2 = (2.9157e-6 * z2 ** -0.0847 * a0 ** 0.0595 * (7.947e-7 * x2 + 5.927e-5)
          * ((1 - 0.038 * q) * q + 65.576) * ((108.8547 * z1 / q - 1) * z1 / q - 3294.921)
          * ((0.003291 * L + 1) * L - 13064.58) - 0.393)
    sstar = 5.6 / math.tan(gm) + 0.21 * u + 0.78
    E, nue = s['E'], s['nue']
    ERed = 2 / ((1 - nue[0] ** 2) / E[0] + (1 - nue[1] ** 2) / E[1])
    NL = s['LH'] * n1 * 60 / u
    calpha = 1.3e-8 if kind in (2, 3, 4) else 1.4e-8 if kind == 5 else 1.7e-8
    PV0 = n1 ** (4 / 3) * (s['PV0pc'] / 100 * 8.9e-5 * a) / 1000
    c = {1: 0.03, 2: 0.013}.get(s['bearing'], 0)
    PVLP = c * r['P'] * 1000 * a ** 0.44 * u / dm2 / 1000
    PVD = dm1 ** 2 * 1.178e-5 * n1 / 1000 * s['seals']
    vgm = dm1 * n1 / (19098 * math.cos(gm))
    m0 = [mue0t(FRICTION_1998[kind], vgm)]
    if 1 <= s['kind'][1] <= 7:
        m0.append(mue0t(FRICTION_2012[('ferrous', 2 if kind in (2, 3, 4) else 1)], vgm))
    else:
        m0.append(mue0t(FRICTION_2012[('dip' if s['lubrication'] else 'injection', group(kind))], vgm))
    YS = math.sqrt(100 / min(250, max(65, a)))
    YR = (max(s['Ra1'], 0.5) / 0.5) ** 0.25
    r.update({'pmStar[1]': pm1, 'pmStar[2]': pm2, 'hStar[1]': h1, 'hStar[2]': h2, 'sStar': sstar,
              'ERed': ERed, 'NL': NL, 'cAlpha': calpha, 'PV0Din': PV0, 'PVLPDin': PVLP, 'PVD': PVD,
              'vgmDin': vgm, 'mue0T[1]': m0[0], 'mue0T[2]': m0[1], 'YS': YS, 'YR': YR})
    fixed = PV0 + PVLP + PVD
    pmstar, hstar = [pm1, pm2], [h1, h2]
    WS = 1 if kind == 1 else (100 if s['eta0M'] <= 0 else 1 / s['eta0M'] ** 0.35)
    r['WS'] = WS
    cosG = math.cos(gm)
    dWtip = cosG * mx * (pi / 2 - 2 * math.tan(G['a0']))
    dW03 = cosG * 0.3 * mx
    dWlim = dWtip if s['wearLimit'] == 1 else dW03
    r['dWlimnTip'], r['dWlimn03'], r['dWlimn'] = dWtip, dW03, dWlim
    Zh = min(1.6, (25000 / s['LH']) ** (1 / 6))
    Zv = math.sqrt(5 / (r['vgm'] + 4))
    ZS = math.sqrt(3000 / (a + 2900))
    Zoil = {1: 0.89, 2: 1.0, 3: 1.0, 4: 1.0, 5: 0.94}.get(kind, 0)
    Zu = (u / 20.5) ** (1 / 6) if u < 20.5 else 1.0
    sigHG = min(s['sigHlim']) * Zh * Zv * ZS * Zu * Zoil
    r.update({'Zh': Zh, 'Zv': Zv, 'ZS': ZS, 'Zoil': Zoil, 'Zu': Zu, 'sigHG': sigHG})
    r['deltalim[1]'], r['deltalim[2]'] = 0.01 * mx, 0.04 * math.sqrt(mx)
    r['Yeps'], r['YK'], r['Ygamma'] = 0.5, 1.0, 1 / cosG
    r['s0'] = s0 = mx * pi / 2
    tauFlimT = s['tauFlimT'] or 0.4 * s['sigmaFE'][1]
    if s['YNL']:
        YNL = s['YNL']
    else:
        k, hi = (0.16, 2.5) if s['kind'][1] == 4 else (0.09, 2.0) if s['kind'][1] == 6 else (0.16, 2.0)
        YNL = min(hi, max(1.0, (3e6 / NL) ** k))
    r['tauFlimTUsed'], r['YNLUsed'], r['tauFG'] = tauFlimT, YNL, tauFlimT * YNL
    name = s['name'][1].lower()
    for e in (0, 1):
        n = '[%d]' % (e + 1)
        YG = math.sqrt(0.07 / hstar[e])
        mzm = m0[e] * YS * YG * s['YW'] * YR
        rho = math.atan(mzm)
        etaz = math.tan(gm - rho) / math.tan(gm) if wheel else math.tan(gm) / math.tan(rho + gm)
        PVz = (PDin[e] - fixed) * (1 - etaz)
        PV = PVz + fixed
        Pout = PDin[e] - PV
        Tin = 60000 * PDin[e] / (2 * pi * (n2 if wheel else n1))
        Tout = max(0.0, 60000 * Pout / (2 * pi * (n1 if wheel else n2)))
        Tw, Tr = (Tout, Tin) if wheel else (Tin, Tout)
        r['TDin[%d]' % (e + 1)], r['TDin[%d]' % (e + 3)] = Tw, Tr
        Ft2 = 2000 * Tr * KA / dm2
        if wheel:
            Ft1, Fn, Fr = wheel_driving_forces(Ft2, gm, mzm, G['a0'])
        else:
            Ft1 = 2000 * Tw * KA / dm1
            Fn = Ft1 / (math.cos(G['a0']) * (s['mueZ'] * cosG + math.sin(gm)))
            Fr = math.tan(G['a0']) * Ft1 / math.sin(gm + r['rhoZ'])
        pm = 4 / pi * math.sqrt(pmstar[e] * Tr * KA * 1000 * ERed / a ** 3)
        sWm = sstar * pm * a / ERed * NL
        hmin = (21 * hstar[e] * calpha ** 0.6 * s['eta0M'] ** 0.7 * n1 ** 0.7 * a ** 1.39 * ERed ** 0.03
                / (Tr * KA) ** 0.13)
        if e == 0:
            KW = hmin * WS
            J0T = (min(4e-7, 2.4e-11 * KW ** -3.1) if kind == 1 else
                   1.27e-10 * KW ** -2.24 if kind in (2, 3, 4) else 0.0)
        else:
            WH = 1.0
            if 4 <= s['kind'][1] <= 7:
                WH = 300 / pm
            if s['kind'][1] == 8 and pm >= 450:
                WH = (450 / pm) ** 4.5
            KW = hmin * WS * WH
            J0T = base_wear_2012(name, s['kind'][1], s['lubrication'] != 0, kind, KW)
        JW = J0T * s['WML']
        delWn = JW * sWm
        SH = sigHG / pm
        dW = min(dWlim, delWn) / cosG
        sft = 1.06 * (math.tan(G['a0']) * (dm2 - G['df'][1]) / cosG + s0 - dW)
        YF = 2.9 * mx / sft
        tauF = Ft2 / (b * mx) * 0.5 * YF / cosG
        r.update({'YG' + n: YG, 'mueZm' + n: mzm, 'etaZDin' + n: etaz, 'PVzDin' + n: PVz, 'PV' + n: PV,
                  'etaDin' + n: 1 - PV / PDin[e], 'PDinOut' + n: Pout, 'PDin' + n: PDin[e],
                  'Ft1Din' + n: Ft1, 'Ft2Din' + n: Ft2, 'Fx1Din' + n: Ft2, 'Fx2Din' + n: Ft1,
                  'FnDin' + n: Fn, 'FrDin' + n: Fr, 'pm' + n: pm, 'sWm' + n: sWm, 'hminm' + n: hmin,
                  'KW' + n: KW, 'J0T' + n: J0T, 'JW' + n: JW, 'delWn' + n: delWn, 'SW' + n: dWlim / delWn if delWn > 0 else 0.0,
                  'SHDin' + n: SH, 'LtHDin' + n: min(100000, 25000 * SH ** 6), 'dW' + n: dW, 'sft' + n: sft,
                  'YF' + n: YF, 'tauF' + n: tauF, 'SFDin' + n: tauFlimT * YNL / tauF})

def run(s, P1, PDin):
    r = {}
    G = geometry(s, r)
    tolerances(s, G, r)
    niemann(s, G, r, P1)
    din3996(s, G, r, PDin)
    return r

def viscosity(nu40, nu100, T):
    # Ubbelohde-Walther through the viscosities at 40 and 100 degC
    A40, A100 = math.log10(nu40 + 0.7), math.log10(nu100 + 0.7)
    m = -math.log10(A40 / A100) / (math.log10(373) - math.log10(313))
    C = math.log10(A40) - math.log10(313) * m
    return 10 ** (10 ** (m * math.log10(T + 273) + C)) - 0.7

def bulk_temperatures(s, r, T0, nu40, nu100):
    """Wheel bulk temperature with injection and with dip lubrication."""
    n1, u, a = s['n1'], r['u'], r['dm[1]'] / s['dm1a']
    nu = viscosity(nu40, nu100, T0)
    x = u * 72.5 / max(n1, 150)
    injection = 16 * x ** 0.35 * (nu / 55) ** 0.35 * (160 / a) ** 0.6 * r['PVzDin[2]'] + T0
    area = r['b[2]'] * r['dm[2]'] * 1e-6
    alpha = 4190 if n1 < 150 else 15 * n1 + 1940
    dT = 1000 * r['PVzDin[2]'] / (alpha * area)
    c1 = 0.039 * (n1 / 60 + 2) ** 0.34 * (nu40 / 100) ** -0.17 * u ** -0.22 * (a - 48) ** 0.34
    c0 = 0.081 * (n1 / 60 - 0.23) ** 0.7 * (nu40 / 100) ** 0.41 * (a + 32) ** 0.63
    f = {1: 9, 5: 5}.get(s['lubricant'])
    f = 1 + f / (math.sqrt(n1) * (0.012 * u + 0.092) - 0.745 * u + 82.877) if f else 1
    dip = (c1 * r['TDin[4]'] / (a / 63) ** 3 + c0) * f + 20 + dT
    return {'injection': injection, 'dip': dip}

def iterate(s):
    """The driving powers for which the outputs reach the nominal power."""
    P = s['P']
    P1, PDin = P, [P, P]
    r = run(s, P1, PDin)
    for _ in range(5):
        for e in (0, 1):
            P1 = P / r['eta']
            PDin[e] = P / r['etaDin[%d]' % (e + 1)]
            r = run(s, P1, PDin)
    return r

DEMO = dict(z=(2, 41), x=(0.0, 0.0), a=100.0, dm1a=0.36, alpha0=20.0, form=1, haStar=(1.0, 1.0),
            hfStar=(1.2, 1.2), b=(0, 0), rim=3, shaftEnd=2, lw=90.0, tolSeries=(5, 5), devSeries=(8, 8),
            Asne=(0, 0), Asni=(0, 0), quality=(7, 7), aField=4, ball=(0, 0), n1=1450.0, driver=1,
            mueZ=0.03, PV0pc=100.0, v50=150.0, KA=1.25, E=(210000.0, 98100.0), nue=(0.3, 0.35),
            sigHlim=(1500.0, 520.0), sigmaFE=(860.0, 250.0), kind=(2, 8), name=('16MnCr5', 'CuSn12Ni2-C-GZ'),
            lubricant=2, lubrication=1, LH=25000.0, bearing=1, seals=2, Ra1=0.5, YW=0.95, WML=1.75,
            eta0M=0.05, tauFlimT=0, YNL=0, wearLimit=0, P=3.0)

# The data set of a new file ("null", "init"): three-thread ZI worm and
# wheel both of steel, mineral oil, free allowances of 0.
DEFAULTS = dict(z=(3, 29), x=(0.0, 0.0), a=80.0, dm1a=0.33, alpha0=20.0, form=1, haStar=(1.0, 1.0),
                hfStar=(1.2, 1.2), b=(63.0, 28.5), rim=3, shaftEnd=0, lw=0.0, tolSeries=(11, 11),
                devSeries=(8, 8), Asne=(0.0, 0.0), Asni=(0.0, 0.0), quality=(6, 6), aField=9, ball=(0, 0),
                n1=750.0, driver=1, mueZ=0.1, PV0pc=100.0, v50=150.0, KA=1.0, E=(206000.0, 206000.0),
                nue=(0.3, 0.3), sigHlim=(1500.0, 1500.0), sigmaFE=(800.0, 800.0), kind=(1, 1), name=('', ''),
                lubricant=1, lubrication=0, LH=25000.0, bearing=1, seals=1, Ra1=4.0, YW=1.0, WML=1.0,
                eta0M=0.1, tauFlimT=0, YNL=0, wearLimit=0, P=2.95)

def main():
    out = []
    def emit(name, r):
        out.append('set ' + name)
        for key in sorted(r):
            out.append('%s %r' % (key, float(r[key])))
    # A new data set after the iteration of the driving powers.
    emit('defaults', iterate(DEFAULTS))
    # The demo set as shipped: driving powers from the iteration.
    demo = iterate(DEMO)
    emit('demo', demo)
    emit('demo-temperature', bulk_temperatures(DEMO, demo, 40.0, 220.0, 40.0))
    # The demo gear with the wheel driving: 3.5 kW enter at the wheel.
    wheel = dict(DEMO, driver=2)
    emit('wheel-driving', run(wheel, 3.5, [3.5, 3.5]))
    # The DIN 3974 deviations of every accuracy grade (1 to 12) on the demo gear.
    out.append('set grades')
    for Q in range(1, 13):
        r = {}
        t = dict(DEMO, quality=(Q, Q))
        G = geometry(t, r)
        tolerances(t, G, r)
        for key in ('fp', 'fu', 'ffalpha', 'fHalpha', 'Falpha', 'FrDev', 'FiPrime', 'fiPrime'):
            for i in (1, 2):
                out.append('%d/%s[%d] %r' % (Q, key, i, float(r['%s[%d]' % (key, i)])))
        for key in ('Fpz', 'Fp2'):
            out.append('%d/%s %r' % (Q, key, float(r[key])))
    # Every row of the friction and wear-intensity tables of both editions:
    # the demo gear with each wheel material, lubrication and lubricant.
    out.append('set table-rows')
    wheels = (('CuSn12Ni2-C-GZ', 8), ('CuAl10Fe5Ni5-C-GZ', 8), ('42CrMo4', 3), ('GJS-400-15', 4), ('AlZn10Si8Mg', 8))
    for name, wkind in wheels:
        for lubrication in (0, 1):
            for lub in (1, 2, 3, 4, 5):
                t = dict(DEMO, name=('16MnCr5', name), kind=(2, wkind), lubrication=lubrication, lubricant=lub)
                r = run(t, 3.7, [3.7, 3.7])
                for key in ('mue0T[1]', 'mue0T[2]', 'KW[1]', 'KW[2]', 'J0T[1]', 'J0T[2]'):
                    out.append('%s/%d/%d/%d/%s %r' % (name, wkind, lubrication, lub, key, float(r[key])))
    sys.stdout.write('\n'.join(out) + '\n')

if __name__ == '__main__':
    main()
